#include "outside/update/ReleaseInstall.h"

#include "http/CurlTransport.h"
#include "http/HttpClient.h"
#include "outside/update/FileDigest.h"
#include "platform/NativePath.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

// A release larger than this is refused.
constexpr std::uint64_t kMaxReleaseBytes = 1024ull * 1024 * 1024;

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool FlushToDisk(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

bool InstallRelease(const UpdateRequest& request, const std::string& directory, std::string& error) {
  std::string target = directory + "/" + request.exeName;
  std::string download = directory + "/." + request.exeName + ".download";

  // The update program runs once, for this download: libcurl is linked in.
  CCurlTransports transports;
  CHttpClient client(transports);
  if (!client.InitLibCurl(nullptr)) {
    error = client.LastError();
    return false;
  }
  client.SetMaxBodyBytes(kMaxReleaseBytes);
  std::string response;
  int status = client.Request(request.updateUrl, kHttpGet, response, nullptr, FromNativePath(download));
  if (!client.LastTransferSucceeded() || status < 200 || status > 299) {
    ::unlink(download.c_str());
    error = "download failed (status " + std::to_string(status) + "): " + response.substr(0, 200);
    return false;
  }
  client.Cleanup();

  std::string digest = Md5OfFile(download);
  if (digest.empty() || digest != Lowercase(request.updateMd5)) {
    ::unlink(download.c_str());
    error = "digest mismatch: the release has " + (digest.empty() ? std::string("no readable bytes") : digest);
    return false;
  }

  struct stat old;
  mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0755;
  if (::chmod(download.c_str(), mode) != 0 || !FlushToDisk(download) ||
      ::rename(download.c_str(), target.c_str()) != 0) {
    error = std::string("cannot replace ") + target + ": " + std::strerror(errno);
    ::unlink(download.c_str());
    return false;
  }
  return true;
}

bool StartProgram(const std::string& path, std::string& error) {
  std::string directory = path.substr(0, path.find_last_of('/'));
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  // The restarted program outlives this one in a session of its own.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_addchdir_np(&actions, directory.empty() ? "/" : directory.c_str());
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t child = 0;
  int result = posix_spawn(&child, path.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    error = "cannot start " + path + ": " + std::strerror(result);
    return false;
  }
  return true;
}
