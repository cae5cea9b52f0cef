// The log file writer: one process-wide CWriteLogFile, g_logFile, appending
// records to "log2.log" in the program directory.
//
// A record is one line of UTF-16LE text:
//   [YYYY-MM-DD hh:mm:ss][source/file.cpp 123]message CR LF
// The file starts with the byte-order mark FF FE; it is deleted and begun
// anew when it has grown past the size cap (or is found empty at start).
// The file is reopened for every record.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class CWriteLogFile {
 public:
  CWriteLogFile();
  CWriteLogFile(const CWriteLogFile&) = delete;
  CWriteLogFile& operator=(const CWriteLogFile&) = delete;
  // After destruction every write does nothing.
  virtual ~CWriteLogFile();

  // Deletes the file when it is larger than sizeCapKilobytes * 1024 bytes or
  // empty (or missing), then keeps path and cap for the records to come.
  void SetLogFile(const std::wstring& path, int sizeCapKilobytes);

  // One record from a printf-style wide format (Windows conversions: %s is
  // wide, %S narrow). The message is cut to its first 10239 characters.
  void WriteFormat(const char* sourceFile, int line, const wchar_t* format, ...);

  // One record whose message is text, whole, whatever its length.
  void WriteText(const char* sourceFile, int line, const std::wstring& text);

  // The file's size in bytes, 0 when it is missing or cannot be read.
  static std::uint64_t GetLogFileSize(const std::wstring& path);

  // How long a writer waits for another one before writing anyway.
  static constexpr unsigned kLockWaitMilliseconds = 3000;
  static constexpr size_t kFormatBufferChars = 10240;

 private:
  void WriteRecord(const char* sourceFile, int line, const std::wstring& message);
  // Takes the writers' lock, waiting at most kLockWaitMilliseconds; false
  // when the wait ran out (the writer then writes anyway).
  bool AcquireWriterLock();
  void ReleaseWriterLock();

  // Serialises writers across threads: held_ under stateLock_.
  std::mutex stateLock_;
  std::condition_variable released_;
  bool held_ = false;
  // Guards path_ and sizeCap_ (short holds only).
  std::mutex settingsLock_;
  std::wstring path_;
  std::int32_t sizeCap_ = 0;
  bool destroyed_ = false;
};

// The process-wide writer. It is created on first use and never destroyed,
// so that threads that still log while the process ends find it intact.
CWriteLogFile& LogFile();
#define g_logFile (LogFile())
