#include "outside/launchrecord/Xxtea.h"

namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9u;

std::uint32_t Mix(std::uint32_t y, std::uint32_t z, std::uint32_t sum, std::size_t p, std::uint32_t e,
                  const XxteaKey& key) {
  return (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (key[(p & 3) ^ e] ^ z));
}

}  // namespace

XxteaKey XxteaKeyFromText(const std::string& keyText) {
  XxteaKey key{};
  for (std::size_t i = 0; i < 16 && i < keyText.size(); ++i) {
    key[i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(keyText[i])) << (8 * (i % 4));
  }
  return key;
}

void XxteaEncrypt(std::vector<std::uint32_t>& v, const XxteaKey& key) {
  const std::size_t n = v.size();
  if (n < 2) return;
  std::uint32_t rounds = static_cast<std::uint32_t>(6 + 52 / n);
  std::uint32_t sum = 0;
  std::uint32_t z = v[n - 1];
  while (rounds-- > 0) {
    sum += kDelta;
    const std::uint32_t e = (sum >> 2) & 3;
    std::size_t p = 0;
    for (; p < n - 1; ++p) {
      const std::uint32_t y = v[p + 1];
      z = v[p] += Mix(y, z, sum, p, e, key);
    }
    const std::uint32_t y = v[0];
    z = v[n - 1] += Mix(y, z, sum, p, e, key);
  }
}

void XxteaDecrypt(std::vector<std::uint32_t>& v, const XxteaKey& key) {
  const std::size_t n = v.size();
  if (n < 2) return;
  const std::uint32_t rounds = static_cast<std::uint32_t>(6 + 52 / n);
  std::uint32_t sum = rounds * kDelta;
  std::uint32_t y = v[0];
  while (sum != 0) {
    const std::uint32_t e = (sum >> 2) & 3;
    std::size_t p = n - 1;
    for (; p > 0; --p) {
      const std::uint32_t z = v[p - 1];
      y = v[p] -= Mix(y, z, sum, p, e, key);
    }
    const std::uint32_t z = v[n - 1];
    y = v[0] -= Mix(y, z, sum, p, e, key);
    sum -= kDelta;
  }
}
