#include "uiframework/archive/ZipCipher.h"

#include <zlib.h>

namespace SkinUI {

CZipCipher::CZipCipher(const char* password) {
  for (const char* p = password == nullptr ? "" : password; *p != 0; ++p) Update(static_cast<std::uint8_t>(*p));
}

std::uint32_t CZipCipher::Crc(std::uint32_t crc, std::uint8_t byte) const {
  static const z_crc_t* table = get_crc_table();
  return table[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
}

void CZipCipher::Update(std::uint8_t plain) {
  m_k0 = Crc(m_k0, plain);
  m_k1 = (m_k1 + (m_k0 & 0xFFu)) * 134775813u + 1u;
  m_k2 = Crc(m_k2, static_cast<std::uint8_t>(m_k1 >> 24));
}

void CZipCipher::Decrypt(std::uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const std::uint32_t temp = (m_k2 | 2u) & 0xFFFFu;
    data[i] = static_cast<std::uint8_t>(data[i] ^ static_cast<std::uint8_t>((temp * (temp ^ 1u)) >> 8));
    Update(data[i]);
  }
}

bool CZipCipher::CheckHeader(std::uint8_t header[12], std::uint8_t checkByte) {
  Decrypt(header, 12);
  return header[11] == checkByte;
}

}  // namespace SkinUI
