// Whole-file writes that never leave a half-written file behind: the text
// goes to a temporary file beside the target, is flushed, and is renamed
// over the target.
#pragma once

#include <string>

bool WriteFileAtomically(const std::string& nativePath, const std::string& bytes);

// Reads a whole file of at most maxBytes bytes. False when it cannot be
// opened, read, or is larger.
bool ReadWholeFile(const std::string& nativePath, std::string& bytes, size_t maxBytes);

// Holds an exclusive advisory lock on "<path>.lock" for a read-modify-write
// of a store file shared between processes (and threads).
class StoreFileLock {
 public:
  explicit StoreFileLock(const std::string& nativePath);
  ~StoreFileLock();
  StoreFileLock(const StoreFileLock&) = delete;
  StoreFileLock& operator=(const StoreFileLock&) = delete;

 private:
  int fd_ = -1;
};
