#include "system/WriteLogFile.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Threads.h"
#include "platform/WideFormat.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <sys/types.h>

CWriteLogFile::CWriteLogFile() = default;

CWriteLogFile::~CWriteLogFile() {
  std::lock_guard<std::mutex> guard(settingsLock_);
  destroyed_ = true;
  path_.clear();
}

CWriteLogFile& LogFile() {
  // Never destroyed: workers may still log while the process ends.
  static CWriteLogFile* writer = new CWriteLogFile;
  return *writer;
}

std::uint64_t CWriteLogFile::GetLogFileSize(const std::wstring& path) {
  std::uint64_t listed = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path.c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    listed = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    FindClose(find);
  }
  if (FILE* f = _wfopen(path.c_str(), L"r")) {
    std::uint64_t opened = listed;
    if (fseeko(f, 0, SEEK_END) == 0) {
      off_t end = ftello(f);
      if (end >= 0) opened = static_cast<std::uint64_t>(end);
    }
    std::fclose(f);
    if (opened != listed) return opened;
  }
  return listed;
}

void CWriteLogFile::SetLogFile(const std::wstring& path, int sizeCapKilobytes) {
  std::uint64_t size = GetLogFileSize(path);
  std::uint64_t cap = static_cast<std::uint64_t>(sizeCapKilobytes < 0 ? 0 : sizeCapKilobytes) * 1024u;
  if (size > cap || size == 0) DeleteFileW(path.c_str());
  std::lock_guard<std::mutex> guard(settingsLock_);
  path_ = path;
  sizeCap_ = sizeCapKilobytes;
}

void CWriteLogFile::WriteFormat(const char* sourceFile, int line, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring message = FormatWideV(kFormatBufferChars - 1, format, args);
  va_end(args);
  WriteRecord(sourceFile, line, message);
}

void CWriteLogFile::WriteText(const char* sourceFile, int line, const std::wstring& text) {
  WriteRecord(sourceFile, line, text);
}

void CWriteLogFile::WriteRecord(const char* sourceFile, int line, const std::wstring& message) {
  std::wstring path;
  std::uint64_t cap;
  {
    std::lock_guard<std::mutex> guard(settingsLock_);
    if (destroyed_) return;
    path = path_;
    cap = static_cast<std::uint64_t>(static_cast<std::uint32_t>(sizeCap_)) * 1024u;
  }
  // A writer that cannot get the lock in time writes anyway; a record is
  // then still appended with one write, so lines never mix.
  bool locked = AcquireWriterLock();
  try {
    if (GetLogFileSize(path) > cap) DeleteFileW(path.c_str());
    bool existed = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (FILE* f = _wfopen(path.c_str(), L"ab+")) {
      SYSTEMTIME now;
      GetLocalTime(&now);
      std::wstring record = FormatWide(1024, L"[%04d-%02d-%02d %02d:%02d:%02d][%S %d]", now.wYear, now.wMonth,
                                       now.wDay, now.wHour, now.wMinute, now.wSecond,
                                       sourceFile ? sourceFile : "", line);
      record += message;
      record += L"\r\n";
      std::string bytes = existed ? std::string() : std::string("\xFF\xFE", 2);
      bytes += WideToUtf16LeBytes(record.data(), record.size());
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  } catch (...) {
    // A record that cannot be written is dropped.
  }
  if (locked) ReleaseWriterLock();
}

bool CWriteLogFile::AcquireWriterLock() {
  std::unique_lock<std::mutex> lock(stateLock_);
  if (!released_.wait_for(lock, std::chrono::milliseconds(kLockWaitMilliseconds), [this] { return !held_; }))
    return false;
  held_ = true;
  return true;
}

void CWriteLogFile::ReleaseWriterLock() {
  {
    std::lock_guard<std::mutex> lock(stateLock_);
    held_ = false;
  }
  released_.notify_one();
}
