#include "uiframework/archive/ZipEntryStream.h"

#include <climits>

namespace SkinUI {

namespace {
constexpr unsigned kInputChunk = 16 * 1024;
}

CZipEntryStream::~CZipEntryStream() { Close(); }

DWORD CZipEntryStream::Open(unzFile file, const char* password) {
  Close();
  m_encrypted = false;
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return ZipCorrupt;
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return ZipInflateFailed;
  const bool encrypted = (info.flag & 1u) != 0;
  m_encrypted = encrypted;
  if (encrypted && (password == nullptr || *password == 0)) return ZipBadPassword;
  if (unzOpenCurrentFile2(file, nullptr, nullptr, 1) != UNZ_OK) return ZipReadFailed;
  m_file = file;
  if (encrypted) {
    m_cipher = std::make_unique<CZipCipher>(password);
    std::uint8_t header[12];
    const std::uint8_t check = (info.flag & 8u) != 0 ? static_cast<std::uint8_t>((info.dosDate >> 8) & 0xFFu)
                                                      : static_cast<std::uint8_t>(info.crc >> 24);
    const int read = unzReadCurrentFile(file, header, sizeof(header));
    if (read != static_cast<int>(sizeof(header)) || !m_cipher->CheckHeader(header, check)) {
      Close();
      return read != static_cast<int>(sizeof(header)) ? ZipInflateFailed : ZipBadPassword;
    }
  }
  m_deflated = info.compression_method == Z_DEFLATED;
  if (m_deflated) {
    m_zip = z_stream{};
    if (inflateInit2(&m_zip, -MAX_WBITS) != Z_OK) {
      Close();
      return ZipInflateFailed;
    }
    m_inflateReady = true;
    m_input.resize(kInputChunk);
  }
  m_remaining = info.uncompressed_size;
  m_expectedCrc = static_cast<std::uint32_t>(info.crc);
  m_crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  m_streamEnded = false;
  return ZipOk;
}

int CZipEntryStream::ReadRaw(std::uint8_t* buffer, unsigned length) {
  const int read = unzReadCurrentFile(m_file, buffer, length);
  if (read > 0 && m_cipher) m_cipher->Decrypt(buffer, static_cast<size_t>(read));
  return read;
}

int CZipEntryStream::Read(void* buffer, unsigned length) {
  if (m_file == nullptr) return -1;
  if (length > static_cast<unsigned>(INT_MAX)) length = static_cast<unsigned>(INT_MAX);
  if (length > m_remaining) length = static_cast<unsigned>(m_remaining);
  if (length == 0 || m_streamEnded) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  int produced = 0;
  if (!m_deflated) {
    produced = ReadRaw(out, length);
    if (produced < 0) return -1;
  } else {
    m_zip.next_out = out;
    m_zip.avail_out = length;
    while (m_zip.avail_out > 0) {
      if (m_zip.avail_in == 0) {
        const int read = ReadRaw(m_input.data(), kInputChunk);
        if (read < 0) return -1;
        if (read == 0) break;  // the compressed data ran out
        m_zip.next_in = m_input.data();
        m_zip.avail_in = static_cast<uInt>(read);
      }
      const int status = inflate(&m_zip, Z_SYNC_FLUSH);
      if (status == Z_STREAM_END) {
        m_streamEnded = true;
        break;
      }
      if (status != Z_OK && status != Z_BUF_ERROR) return -1;
      if (status == Z_BUF_ERROR && m_zip.avail_in > 0) return -1;
    }
    // length never exceeds what the entry still declares: a stream that
    // ends, or data that runs out, before filling it is damaged.
    if (m_zip.avail_out > 0) return -1;
    produced = static_cast<int>(length);
  }
  m_crc = static_cast<std::uint32_t>(crc32(m_crc, out, static_cast<uInt>(produced)));
  m_remaining -= static_cast<std::uint64_t>(produced);
  return produced;
}

bool CZipEntryStream::Close() {
  if (m_file == nullptr) return false;
  const bool complete = m_remaining == 0 && m_crc == m_expectedCrc;
  unzCloseCurrentFile(m_file);
  m_file = nullptr;
  if (m_inflateReady) inflateEnd(&m_zip);
  m_inflateReady = false;
  m_cipher.reset();
  return complete;
}

}  // namespace SkinUI
