// The traditional PKWARE zip encryption (decryption side): the key schedule
// seeded from the password, and the check of the 12-byte encryption header.
// Debian's minizip is built without decryption, so the reader decrypts the
// raw entry data itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace SkinUI {

class CZipCipher {
 public:
  explicit CZipCipher(const char* password);

  void Decrypt(std::uint8_t* data, size_t length);
  // Decrypts the encryption header; true when its last byte matches the
  // entry's check byte (the high byte of the CRC, or of the DOS time when
  // the sizes follow the data).
  bool CheckHeader(std::uint8_t header[12], std::uint8_t checkByte);

 private:
  void Update(std::uint8_t plain);
  std::uint32_t Crc(std::uint32_t crc, std::uint8_t byte) const;

  std::uint32_t m_k0 = 305419896u;
  std::uint32_t m_k1 = 591751049u;
  std::uint32_t m_k2 = 878082192u;
};

}  // namespace SkinUI
