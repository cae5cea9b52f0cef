#include "outside/local/StatusSocketPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

std::string StatusDirectory(uid_t uid, const char* runtimeDirectory) {
  if (runtimeDirectory != nullptr && runtimeDirectory[0] == '/') return std::string(runtimeDirectory) + "/brisgol";
  return "/tmp/brisgol-" + std::to_string(uid);
}

std::string StatusDirectory() { return StatusDirectory(getuid(), std::getenv("XDG_RUNTIME_DIR")); }

std::string StatusSocketPath(const std::string& directory) { return directory + "/local.sock"; }

bool CheckStatusDirectory(const std::string& directory, uid_t uid, std::string& error) {
  struct stat info{};
  if (lstat(directory.c_str(), &info) != 0) {
    error = directory + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    error = directory + " is not a folder";
    return false;
  }
  if (info.st_uid != uid) {
    error = directory + " belongs to user " + std::to_string(info.st_uid) + ", not " + std::to_string(uid);
    return false;
  }
  if ((info.st_mode & 077) != 0) {
    error = directory + " is open to other users";
    return false;
  }
  return true;
}

bool PrepareStatusDirectory(const std::string& directory, uid_t uid, std::string& error) {
  if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    error = directory + ": " + std::strerror(errno);
    return false;
  }
  return CheckStatusDirectory(directory, uid, error);
}
