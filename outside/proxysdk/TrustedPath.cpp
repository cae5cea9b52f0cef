#include "outside/proxysdk/TrustedPath.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool Owned(const std::string& path, bool directory, std::string& why) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) {
    why = "cannot look at " + path + ": " + std::strerror(errno);
    return false;
  }
  if (status.st_uid != 0) {
    why = path + " is not owned by root";
    return false;
  }
  const bool othersWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  if (othersWrite && !(directory && (status.st_mode & S_ISVTX))) {
    why = path + " may be changed by other users than root";
    return false;
  }
  return true;
}

}  // namespace

bool OnlyRootCanChange(const std::string& path, std::string& why) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  if (resolved == nullptr) {
    why = "cannot resolve " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string current = resolved.get();
  if (!Owned(current, false, why)) return false;
  while (current != "/") {
    const std::size_t slash = current.rfind('/');
    current = slash == 0 ? std::string("/") : current.substr(0, slash);
    if (!Owned(current, true, why)) return false;
  }
  return true;
}
