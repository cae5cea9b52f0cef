#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& nativePath, const std::string& bytes) {
  std::filesystem::path target(nativePath);
  std::error_code ec;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  std::string temp = nativePath + ".tmp-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = (::fchmod(fd, 0644) == 0) && ok;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = std::rename(temp.c_str(), nativePath.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool ReadWholeFile(const std::string& nativePath, std::string& bytes, size_t maxBytes) {
  bytes.clear();
  int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return false;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
      ::close(fd);
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

StoreFileLock::StoreFileLock(const std::string& nativePath) {
  std::filesystem::path lockPath(nativePath + ".lock");
  std::error_code ec;
  if (lockPath.has_parent_path()) std::filesystem::create_directories(lockPath.parent_path(), ec);
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

StoreFileLock::~StoreFileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}
