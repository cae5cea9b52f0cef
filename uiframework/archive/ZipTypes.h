// Records and result codes of the skin archive reader.
#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace SkinUI {

// Result codes; the last one of every operation is also kept process-wide.
enum ZipResult : DWORD {
  ZipOk = 0x00000000,
  ZipNoFile = 0x00000200,
  ZipWriteFailed = 0x00000400,
  ZipNotFound = 0x00000500,
  ZipMore = 0x00000600,
  ZipCorrupt = 0x00000700,
  ZipReadFailed = 0x00000800,
  ZipBadPassword = 0x00001000,
  ZipBadArgs = 0x00010000,
  ZipWrongMode = 0x00080000,
  ZipAlreadyOpen = 0x01000000,
  ZipNoSeek = 0x02000000,
  ZipInflateFailed = 0x05000000,
};

// Sources of OpenArchive and targets of ExtractEntry.
enum ZipIoMode : int {
  ZipFileHandle = 1,  // an open FILE*
  ZipFileName = 2,    // a wide file name
  ZipMemory = 3,      // a memory buffer of the given length
};

constexpr int kZipMaxName = 260;

// Windows file attribute bits of an entry.
constexpr DWORD kZipAttrReadOnly = 0x01;
constexpr DWORD kZipAttrHidden = 0x02;
constexpr DWORD kZipAttrSystem = 0x04;
constexpr DWORD kZipAttrDirectory = 0x10;
constexpr DWORD kZipAttrArchive = 0x20;

struct ZipEntry {
  // For the pseudo-index -1: the number of entries.
  int index = -1;
  wchar_t name[kZipMaxName + 1] = {};
  DWORD attributes = 0;
  // Windows file times (100 ns since 1601, UTC).
  std::uint64_t accessTime = 0;
  std::uint64_t creationTime = 0;
  std::uint64_t modifyTime = 0;
  DWORD compressedSize = 0;
  DWORD uncompressedSize = 0;
};

struct ZipArchive;

}  // namespace SkinUI
