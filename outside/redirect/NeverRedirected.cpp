#include "outside/redirect/NeverRedirected.h"

#include <arpa/inet.h>

#include <cstring>

namespace {

struct Range {
  int family;
  const char* prefix;
  int length;
};

constexpr Range kRanges[] = {
    {AF_INET, "0.0.0.0", 8},        {AF_INET, "10.0.0.0", 8},      {AF_INET, "100.64.0.0", 10},
    {AF_INET, "127.0.0.0", 8},      {AF_INET, "169.254.0.0", 16},  {AF_INET, "172.16.0.0", 12},
    {AF_INET, "192.168.0.0", 16},   {AF_INET, "224.0.0.0", 4},     {AF_INET, "255.255.255.255", 32},
    {AF_INET6, "::1", 128},         {AF_INET6, "fe80::", 10},      {AF_INET6, "fc00::", 7},
    {AF_INET6, "ff00::", 8},        {AF_INET6, "::ffff:0:0", 96},
};

bool SamePrefix(const unsigned char* a, const unsigned char* b, int bits) {
  const int whole = bits / 8;
  if (std::memcmp(a, b, static_cast<std::size_t>(whole)) != 0) return false;
  if (bits % 8 == 0) return true;
  const unsigned mask = 0xFFu << (8 - bits % 8) & 0xFFu;
  return (a[whole] & mask) == (b[whole] & mask);
}

}  // namespace

std::vector<std::string> NeverRedirectedRanges(int family) {
  std::vector<std::string> ranges;
  const int full = family == AF_INET ? 32 : 128;
  for (const Range& range : kRanges) {
    if (range.family != family) continue;
    ranges.push_back(range.length == full ? std::string(range.prefix)
                                          : std::string(range.prefix) + "/" + std::to_string(range.length));
  }
  return ranges;
}

bool IsNeverRedirected(const RedirectEndpoint& endpoint) {
  unsigned char address[16] = {};
  if (inet_pton(endpoint.family, endpoint.address.c_str(), address) != 1) return true;
  for (const Range& range : kRanges) {
    unsigned char prefix[16] = {};
    if (range.family == endpoint.family && inet_pton(range.family, range.prefix, prefix) == 1 &&
        SamePrefix(address, prefix, range.length)) {
      return true;
    }
  }
  return false;
}
