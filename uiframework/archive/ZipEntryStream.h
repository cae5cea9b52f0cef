// Reading the data of one archive entry: minizip hands out the raw stored
// bytes; this stream decrypts them (traditional encryption), inflates them
// with zlib and checks the CRC. Output never exceeds the entry's declared
// uncompressed size, whatever the data holds.
#pragma once

#include "uiframework/archive/ZipCipher.h"
#include "uiframework/archive/ZipTypes.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace SkinUI {

class CZipEntryStream {
 public:
  CZipEntryStream() = default;
  ~CZipEntryStream();
  CZipEntryStream(const CZipEntryStream&) = delete;
  CZipEntryStream& operator=(const CZipEntryStream&) = delete;

  // Opens the entry minizip is positioned on. password may be null.
  DWORD Open(unzFile file, const char* password);
  // Bytes produced (0 when nothing more comes), or -1 on damaged data.
  int Read(void* buffer, unsigned length);
  // True when the declared uncompressed size has been produced.
  bool AtEnd() const { return m_remaining == 0; }
  // Closes the entry; false when the data did not match its CRC.
  bool Close();
  bool IsOpen() const { return m_file != nullptr; }
  // What damaged data of the entry last opened means: for an encrypted
  // entry a wrong password (the header check is one byte: one wrong
  // password in 256 passes it, and the data then fails to inflate or to
  // match its CRC), else ZipInflateFailed.
  DWORD DataFailure() const { return m_encrypted ? ZipBadPassword : ZipInflateFailed; }

 private:
  int ReadRaw(std::uint8_t* buffer, unsigned length);

  unzFile m_file = nullptr;
  std::unique_ptr<CZipCipher> m_cipher;
  bool m_encrypted = false;
  bool m_deflated = false;
  bool m_inflateReady = false;
  bool m_streamEnded = false;
  z_stream m_zip{};
  std::vector<std::uint8_t> m_input;
  std::uint64_t m_remaining = 0;
  std::uint32_t m_expectedCrc = 0;
  std::uint32_t m_crc = 0;
};

}  // namespace SkinUI
