#include "uiframework/archive/ZipArchive.h"

#include "platform/CodePage.h"
#include "uiframework/archive/ZipEntryName.h"
#include "uiframework/archive/ZipMemoryIo.h"
#include "uiframework/archive/ZipEntryStream.h"

#include <minizip/unzip.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace SkinUI {

namespace {

constexpr int kReaderKind = 1;
constexpr size_t kTransferBytes = 16 * 1024;
// An archive read from a file or file handle is loaded whole; skins are a
// few megabytes, so anything far larger is not one.
constexpr long long kMaxArchiveFileBytes = 512ll * 1024 * 1024;
constexpr std::uint64_t kUnixToFileTime = 11644473600ull;

DWORD g_lastResult = ZipOk;

DWORD Report(DWORD result) {
  g_lastResult = result;
  return result;
}

std::uint64_t UnixToFileTime(std::int64_t seconds) {
  return static_cast<std::uint64_t>(seconds + static_cast<std::int64_t>(kUnixToFileTime)) * 10000000ull;
}

std::int64_t FileTimeToUnix(std::uint64_t fileTime) {
  return static_cast<std::int64_t>(fileTime / 10000000ull) - static_cast<std::int64_t>(kUnixToFileTime);
}

std::string NarrowPath(const std::wstring& path) {
  std::wstring slashed = path;
  for (wchar_t& ch : slashed)
    if (ch == L'\\') ch = L'/';
  return WideToUtf8String(slashed);
}

}  // namespace

struct ZipArchive {
  int kind = kReaderKind;
  unzFile file = nullptr;
  ZipMemorySource source;
  std::vector<std::uint8_t> ownedBytes;  // file sources are loaded here
  int entryCount = 0;
  int position = -1;       // entry the library is positioned on
  int streamingIndex = -1;  // entry open for streaming
  int cachedIndex = -1;
  ZipEntry cached;
  std::string password;
  bool hasPassword = false;
  std::vector<char> transfer;
  std::vector<std::uint8_t> extraField;  // local extra field of the entry being described
  CZipEntryStream stream;
  std::wstring rootDirectory;
};

namespace {

DWORD CheckHandle(ZipArchive* archive) {
  if (archive == nullptr) return ZipBadArgs;
  if (archive->kind != kReaderKind) return ZipWrongMode;
  return ZipOk;
}

void CloseStreaming(ZipArchive* archive) {
  if (archive->streamingIndex >= 0) {
    archive->stream.Close();
    archive->streamingIndex = -1;
  }
}

// Positions the library on index: rewinds when moving backwards, then
// steps forward.
bool GoToEntry(ZipArchive* archive, int index) {
  if (index < 0 || index >= archive->entryCount) return false;
  if (archive->position < 0 || index < archive->position) {
    if (unzGoToFirstFile(archive->file) != UNZ_OK) {
      archive->position = -1;
      return false;
    }
    archive->position = 0;
  }
  while (archive->position < index) {
    if (unzGoToNextFile(archive->file) != UNZ_OK) {
      archive->position = -1;
      return false;
    }
    ++archive->position;
  }
  return true;
}

DWORD ReadAllOfFile(FILE* file, std::vector<std::uint8_t>& bytes) {
  if (std::fseek(file, 0, SEEK_END) != 0) return ZipNoSeek;
  const long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return ZipNoSeek;
  if (size > kMaxArchiveFileBytes) return ZipNoFile;
  bytes.resize(static_cast<size_t>(size));
  if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) return ZipNoFile;
  return ZipOk;
}

std::wstring CurrentDirectoryWithSlash() {
  std::error_code error;
  std::wstring dir = Utf8ToWideString(std::filesystem::current_path(error).string());
  if (dir.empty() || (dir.back() != L'\\' && dir.back() != L'/')) dir += L'/';
  return dir;
}

DWORD AttributesOf(const unz_file_info64& info) {
  const std::uint32_t external = static_cast<std::uint32_t>(info.external_fa);
  const unsigned host = static_cast<unsigned>(info.version >> 8) & 0xFFu;
  bool readOnly, hidden = false, system = false, directory, archiveBit = true;
  if (host == 0 || host == 7 || host == 11 || host == 14) {
    readOnly = (external & 0x01u) != 0;
    hidden = (external & 0x02u) != 0;
    system = (external & 0x04u) != 0;
    directory = (external & 0x10u) != 0;
    archiveBit = (external & 0x20u) != 0;
  } else {
    directory = (external & 0x40000000u) != 0;
    readOnly = (external & 0x00800000u) == 0;
  }
  DWORD attributes = 0;
  if (readOnly) attributes |= kZipAttrReadOnly;
  if (hidden) attributes |= kZipAttrHidden;
  if (system) attributes |= kZipAttrSystem;
  if (directory) attributes |= kZipAttrDirectory;
  if (archiveBit) attributes |= kZipAttrArchive;
  return attributes;
}

std::uint64_t DosTimeToFileTime(const tm_unz& date) {
  std::tm local{};
  local.tm_sec = static_cast<int>(date.tm_sec);
  local.tm_min = static_cast<int>(date.tm_min);
  local.tm_hour = static_cast<int>(date.tm_hour);
  local.tm_mday = static_cast<int>(date.tm_mday);
  local.tm_mon = static_cast<int>(date.tm_mon);
  local.tm_year = static_cast<int>(date.tm_year) - 1900;
  local.tm_isdst = -1;
  const std::time_t utc = std::mktime(&local);
  return utc == static_cast<std::time_t>(-1) ? 0 : UnixToFileTime(utc);
}

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Applies an extended-timestamp block ("UT") of the local extra field.
// Every block length is checked against the bytes actually read.
void ApplyExtendedTimestamp(const std::uint8_t* extra, size_t length, ZipEntry& entry) {
  size_t offset = 0;
  while (offset + 4 <= length) {
    const unsigned tag = extra[offset] | (extra[offset + 1] << 8);
    const size_t size = extra[offset + 2] | (extra[offset + 3] << 8);
    const std::uint8_t* block = extra + offset + 4;
    if (size > length - offset - 4) return;
    if (tag == 0x5455 && size >= 1) {
      const std::uint8_t flags = block[0];
      size_t at = 1;
      std::uint64_t* targets[3] = {&entry.modifyTime, &entry.accessTime, &entry.creationTime};
      for (int bit = 0; bit < 3; ++bit) {
        if ((flags & (1u << bit)) == 0) continue;
        if (at + 4 > size) return;
        *targets[bit] = UnixToFileTime(static_cast<std::int32_t>(ReadLe32(block + at)));
        at += 4;
      }
      return;
    }
    offset += 4 + size;
  }
}

DWORD DescribeCurrent(ZipArchive* archive, int index, ZipEntry& entry) {
  unz_file_info64 info{};
  char storedName[kZipMaxName + 1] = {};
  if (unzGetCurrentFileInfo64(archive->file, &info, storedName, sizeof(storedName) - 1, nullptr, 0, nullptr, 0) != UNZ_OK)
    return ZipCorrupt;
  // The local extra field is read through a raw open of the entry, which
  // needs no password.
  std::vector<std::uint8_t>& extra = archive->extraField;
  if (extra.empty()) extra.resize(65535);  // the field's length is 16-bit
  if (unzOpenCurrentFile2(archive->file, nullptr, nullptr, 1) != UNZ_OK) return ZipReadFailed;
  const int extraLength = unzGetLocalExtrafield(archive->file, extra.data(), static_cast<unsigned>(extra.size()));
  unzCloseCurrentFile(archive->file);
  if (extraLength < 0) return ZipReadFailed;

  ZipEntry described;
  described.index = index;
  const size_t storedLength = ::strnlen(storedName, kZipMaxName);
  const std::wstring name = SanitizeEntryName(Utf8ToWideString(std::string(storedName, storedLength)));
  std::wcsncpy(described.name, name.c_str(), kZipMaxName);
  described.name[kZipMaxName] = 0;
  described.attributes = AttributesOf(info);
  const std::uint64_t stamp = DosTimeToFileTime(info.tmu_date);
  described.accessTime = described.creationTime = described.modifyTime = stamp;
  ApplyExtendedTimestamp(extra.data(), static_cast<size_t>(extraLength), described);
  described.compressedSize = static_cast<DWORD>(info.compressed_size > 0xFFFFFFFFull ? 0xFFFFFFFFull : info.compressed_size);
  described.uncompressedSize =
      static_cast<DWORD>(info.uncompressed_size > 0xFFFFFFFFull ? 0xFFFFFFFFull : info.uncompressed_size);
  archive->cached = described;
  archive->cachedIndex = index;
  entry = described;
  return ZipOk;
}

// Opens the entry the library is positioned on for streaming.
DWORD OpenForReading(ZipArchive* archive, int index) {
  const DWORD result = archive->stream.Open(archive->file, archive->hasPassword ? archive->password.c_str() : nullptr);
  if (result == ZipOk) archive->streamingIndex = index;
  return result;
}

// Closes the streaming entry at its end; a CRC mismatch (damaged data, or
// sizes that do not match the data) is a failure.
DWORD FinishStreaming(ZipArchive* archive) {
  archive->streamingIndex = -1;
  return archive->stream.Close() ? ZipOk : archive->stream.DataFailure();
}

DWORD ExtractIntoFile(ZipArchive* archive, const ZipEntry& entry, FILE* out) {
  if (entry.uncompressedSize == 0 && entry.compressedSize == 0) return ZipOk;
  DWORD result = OpenForReading(archive, entry.index);
  if (result != ZipOk) return result;
  if (archive->transfer.empty()) archive->transfer.resize(kTransferBytes);
  for (;;) {
    const int read = archive->stream.Read(archive->transfer.data(), static_cast<unsigned>(kTransferBytes));
    if (read < 0) {
      CloseStreaming(archive);
      return archive->stream.DataFailure();
    }
    if (read == 0) break;
    if (std::fwrite(archive->transfer.data(), 1, static_cast<size_t>(read), out) != static_cast<size_t>(read)) {
      CloseStreaming(archive);
      return ZipWriteFailed;
    }
  }
  if (!archive->stream.AtEnd()) {
    CloseStreaming(archive);
    return archive->stream.DataFailure();
  }
  return FinishStreaming(archive);
}

void SetFileTimes(const std::string& path, const ZipEntry& entry) {
  struct timeval times[2];
  times[0].tv_sec = static_cast<time_t>(FileTimeToUnix(entry.accessTime));
  times[0].tv_usec = 0;
  times[1].tv_sec = static_cast<time_t>(FileTimeToUnix(entry.modifyTime));
  times[1].tv_usec = 0;
  ::utimes(path.c_str(), times);
}

DWORD ExtractToNamedFile(ZipArchive* archive, const ZipEntry& entry, const wchar_t* target) {
  if (target == nullptr || PathEscapesBase(target)) return ZipBadArgs;
  const std::filesystem::path full(NarrowPath(archive->rootDirectory + target));
  std::error_code error;
  if ((entry.attributes & kZipAttrDirectory) != 0) {
    std::filesystem::create_directories(full, error);
    return std::filesystem::is_directory(full, error) ? ZipOk : ZipNoFile;
  }
  if (full.has_parent_path()) std::filesystem::create_directories(full.parent_path(), error);
  const std::string native = full.string();
  FILE* out = std::fopen(native.c_str(), "wb");
  if (out == nullptr) return ZipNoFile;
  DWORD result = ExtractIntoFile(archive, entry, out);
  if (std::fclose(out) != 0 && result == ZipOk) result = ZipWriteFailed;
  if (result == ZipOk) {
    SetFileTimes(native, entry);
    if ((entry.attributes & kZipAttrReadOnly) != 0) ::chmod(native.c_str(), 0444);
  }
  return result;
}

}  // namespace

ZipArchive* OpenArchive(const void* source, DWORD length, int mode, const char* password) {
  if (source == nullptr || mode < ZipFileHandle || mode > ZipMemory) {
    Report(ZipBadArgs);
    return nullptr;
  }
  auto* archive = new (std::nothrow) ZipArchive;
  if (archive == nullptr) {
    Report(ZipNoFile);
    return nullptr;
  }
  archive->rootDirectory = CurrentDirectoryWithSlash();
  DWORD result = ZipOk;
  if (mode == ZipMemory) {
    archive->source.data = static_cast<const std::uint8_t*>(source);
    archive->source.size = length;
  } else {
    FILE* file = mode == ZipFileHandle
                     ? static_cast<FILE*>(const_cast<void*>(source))
                     : std::fopen(NarrowPath(static_cast<const wchar_t*>(source)).c_str(), "rb");
    if (file == nullptr) {
      result = ZipNoFile;
    } else {
      result = ReadAllOfFile(file, archive->ownedBytes);
      if (mode == ZipFileName) std::fclose(file);
    }
    archive->source.data = archive->ownedBytes.data();
    archive->source.size = archive->ownedBytes.size();
  }
  if (result == ZipOk) {
    zlib_filefunc64_def functions;
    FillMemoryFileFunctions(functions);
    archive->file = unzOpen2_64(&archive->source, &functions);
    unz_global_info64 global{};
    if (archive->file == nullptr || unzGetGlobalInfo64(archive->file, &global) != UNZ_OK || global.number_entry > INT_MAX) {
      result = ZipNoFile;
    } else {
      archive->entryCount = static_cast<int>(global.number_entry);
      archive->position = archive->entryCount > 0 ? 0 : -1;
    }
  }
  if (result != ZipOk) {
    if (archive->file != nullptr) unzClose(archive->file);
    delete archive;
    Report(result);
    return nullptr;
  }
  if (password != nullptr && *password != 0) {
    archive->password = password;
    archive->hasPassword = true;
  }
  Report(ZipOk);
  return archive;
}

ZipArchive* OpenArchiveFile(const wchar_t* fileName, const char* password) {
  return OpenArchive(fileName, 0, ZipFileName, password);
}

ZipArchive* OpenArchiveMemory(const void* buffer, DWORD length, const char* password) {
  return OpenArchive(buffer, length, ZipMemory, password);
}

DWORD DescribeEntry(ZipArchive* archive, int index, ZipEntry& entry) {
  if (DWORD bad = CheckHandle(archive)) return Report(bad);
  if (index == -1) {
    entry = ZipEntry{};
    entry.index = archive->entryCount;
    return Report(ZipOk);
  }
  if (index < -1 || index >= archive->entryCount) return Report(ZipBadArgs);
  CloseStreaming(archive);
  if (index == archive->cachedIndex) {
    entry = archive->cached;
    return Report(ZipOk);
  }
  if (!GoToEntry(archive, index)) return Report(ZipCorrupt);
  return Report(DescribeCurrent(archive, index, entry));
}

DWORD FindEntry(ZipArchive* archive, const wchar_t* name, bool ignoreCase, int& index, ZipEntry& entry) {
  index = -1;
  if (DWORD bad = CheckHandle(archive)) return Report(bad);
  std::string wanted = name == nullptr ? std::string() : WideToUtf8String(name);
  if (wanted.size() > static_cast<size_t>(kZipMaxName)) wanted.resize(kZipMaxName);
  wanted = NormalizeLookupName(wanted);
  entry = ZipEntry{};
  entry.index = -1;
  if (wanted.empty() || wanted.find('\0') != std::string::npos) return Report(ZipNotFound);
  CloseStreaming(archive);
  if (unzLocateFile(archive->file, wanted.c_str(), ignoreCase ? 2 : 1) != UNZ_OK) {
    archive->position = -1;
    return Report(ZipNotFound);
  }
  unz64_file_pos filePos{};
  if (unzGetFilePos64(archive->file, &filePos) != UNZ_OK || filePos.num_of_file >= static_cast<ZPOS64_T>(archive->entryCount)) {
    archive->position = -1;
    return Report(ZipCorrupt);
  }
  archive->position = static_cast<int>(filePos.num_of_file);
  index = archive->position;
  const DWORD result = DescribeEntry(archive, index, entry);
  if (result != ZipOk) index = -1;
  return result;
}

DWORD ExtractEntry(ZipArchive* archive, int index, void* target, DWORD length, int mode, DWORD* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  if (DWORD bad = CheckHandle(archive)) return Report(bad);
  if (mode == ZipMemory) {
    if (target == nullptr && length > 0) return Report(ZipBadArgs);
    if (index != archive->streamingIndex) {
      CloseStreaming(archive);
      if (index < 0 || index >= archive->entryCount) return Report(ZipBadArgs);
      if (!GoToEntry(archive, index)) return Report(ZipCorrupt);
      const DWORD opened = OpenForReading(archive, index);
      if (opened != ZipOk) return Report(opened);
    }
    const unsigned chunk = length > static_cast<DWORD>(INT_MAX) ? static_cast<unsigned>(INT_MAX) : length;
    const int read = chunk == 0 ? 0 : archive->stream.Read(target, chunk);
    if (read < 0) {
      CloseStreaming(archive);
      return Report(archive->stream.DataFailure());
    }
    if (archive->stream.AtEnd()) {
      // Bytes that fail their CRC are not handed out as read.
      const DWORD finished = FinishStreaming(archive);
      if (bytesRead != nullptr && finished == ZipOk) *bytesRead = static_cast<DWORD>(read);
      return Report(finished);
    }
    if (bytesRead != nullptr) *bytesRead = static_cast<DWORD>(read);
    if (read > 0) return Report(ZipMore);
    // No data and not at the end: the data stops short of its declared
    // size (or a zero-length call).
    CloseStreaming(archive);
    return Report(chunk == 0 ? ZipBadArgs : archive->stream.DataFailure());
  }
  if (mode != ZipFileHandle && mode != ZipFileName) return Report(ZipBadArgs);
  CloseStreaming(archive);
  if (index < 0 || index >= archive->entryCount) return Report(ZipOk);
  ZipEntry entry;
  DWORD result = DescribeEntry(archive, index, entry);
  if (result != ZipOk) return result;
  if (!GoToEntry(archive, index)) return Report(ZipCorrupt);
  if (mode == ZipFileHandle) {
    if (target == nullptr) return Report(ZipBadArgs);
    if ((entry.attributes & kZipAttrDirectory) != 0) return Report(ZipOk);
    return Report(ExtractIntoFile(archive, entry, static_cast<FILE*>(target)));
  }
  return Report(ExtractToNamedFile(archive, entry, static_cast<const wchar_t*>(target)));
}

DWORD ExtractToMemory(ZipArchive* archive, int index, void* buffer, DWORD length, DWORD* bytesRead) {
  return ExtractEntry(archive, index, buffer, length, ZipMemory, bytesRead);
}

DWORD CloseArchive(ZipArchive* archive) {
  if (DWORD bad = CheckHandle(archive)) return Report(bad);
  CloseStreaming(archive);
  unzClose(archive->file);
  archive->kind = 0;
  delete archive;
  return g_lastResult;
}

DWORD LastZipResult() { return g_lastResult; }

}  // namespace SkinUI
