#include "outside/run/CoveredLaunch.h"

#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr char kFrontEnd[] = "brisgol";
constexpr char kLauncher[] = "brisgol-run";

bool IsRunnableFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file a shell would run for name; empty (errno set) when none.
std::string Locate(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  const std::string directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = directories.find(':', start);
    const std::size_t length = colon == std::string::npos ? std::string::npos : colon - start;
    const std::string directory = directories.substr(start, length);
    const std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
    if (IsRunnableFile(candidate)) return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  errno = ENOENT;
  return std::string();
}

std::string Resolved(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

// True when both paths name one file (a link, a bind mount) or two files
// of the same bytes (a copy).
bool SameProgram(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
  if (first.st_dev == second.st_dev && first.st_ino == second.st_ino) return true;
  if (first.st_size != second.st_size) return false;
  std::ifstream one(a, std::ios::binary), two(b, std::ios::binary);
  char left[65536], right[65536];
  while (one && two) {
    one.read(left, sizeof left);
    two.read(right, sizeof right);
    if (one.gcount() != two.gcount() || std::memcmp(left, right, static_cast<std::size_t>(one.gcount())) != 0) {
      return false;
    }
  }
  return one.eof() && two.eof();
}

// The front end: the program of our own program directory (found from
// /proc/self/exe) under any path or name, a copy of it, or a "brisgol"
// that lies beside a brisgol-run (its command in /usr/bin).
bool IsFrontEnd(const std::string& program) {
  const std::string target = Resolved(program);
  if (target.empty()) return false;
  const std::string own = Resolved("/proc/self/exe");
  if (!own.empty() && SameProgram(target, DirectoryOf(own) + "/" + kFrontEnd)) return true;
  const std::string name = target.substr(target.rfind('/') + 1);
  if (name != kFrontEnd) return false;
  return access((DirectoryOf(target) + "/" + kLauncher).c_str(), F_OK) == 0 ||
         access((DirectoryOf(program) + "/" + kLauncher).c_str(), F_OK) == 0;
}

// Makes gid the real, effective and saved group and the only supplementary
// group (as root), or the real and effective group of a set-group-id copy.
bool JoinGroup(gid_t gid) {
  if (geteuid() == 0) return setgroups(1, &gid) == 0 && setresgid(gid, gid, gid) == 0;
  return getegid() == gid && setresgid(gid, gid, gid) == 0;
}

int CoverByGroup() {
  const group* launcher = getgrnam(kLauncherGroup);
  if (launcher == nullptr) {
    std::fprintf(stderr,
                 "brisgol-run: this machine has no cgroup v2, and the group %s does not exist yet; start the "
                 "accelerator once (its redirection service creates it)\n",
                 kLauncherGroup);
    return kExitNotCovered;
  }
  if (!JoinGroup(launcher->gr_gid)) {
    std::fprintf(stderr,
                 "brisgol-run: this machine has no cgroup v2, and brisgol-run cannot run programs with the group %s "
                 "(%s); run it as root or install it set-group-id to that group\n",
                 kLauncherGroup, std::strerror(errno == 0 ? EPERM : errno));
    return kExitNotCovered;
  }
  return 0;
}

int CoverByCgroup() {
  RedirectRequest join;
  join.command = RedirectRequest::Command::kJoin;
  join.pid = getpid();
  std::string error;
  if (AskRedirectService(join, error)) return 0;
  if (error.rfind(kServiceNotRunning, 0) == 0) {
    std::fprintf(stderr, "brisgol-run: %s; start the accelerator first, then the game\n", error.c_str());
  } else {
    std::fprintf(stderr, "brisgol-run: the redirection service refused to cover the program: %s\n", error.c_str());
  }
  return kExitNotCovered;
}

}  // namespace

int RunCovered(char** program) {
  const std::string path = Locate(program[0]);
  if (path.empty() || !IsRunnableFile(path)) {
    std::fprintf(stderr, "brisgol-run: cannot run %s: %s\n", program[0],
                 std::strerror(path.empty() || access(path.c_str(), F_OK) != 0 ? ENOENT : EACCES));
    return kExitCannotRun;
  }
  if (IsFrontEnd(path)) {
    std::fprintf(stderr,
                 "brisgol-run: %s is the accelerator's front end; start it directly: under brisgol-run its own "
                 "connections to the line would be redirected into itself\n",
                 program[0]);
    return kExitUsage;
  }
  const int covered = Cgroup2MountPoint().empty() ? CoverByGroup() : CoverByCgroup();
  if (covered != 0) return covered;
  execv(path.c_str(), program);
  std::fprintf(stderr, "brisgol-run: cannot run %s: %s\n", program[0], std::strerror(errno));
  return kExitCannotRun;
}
