// brisgol-redirectd [--user UID]
//
// The privileged redirection service (what the "drivers" are on Linux). It
// runs as root, one per user: the user it serves is --user, else the one
// pkexec names (PKEXEC_UID), else the caller. It puts the nftables rules of
// NftRuleset.h in force on that user's requests (RedirectProtocol.h) and
// removes them on CLEAR, when the local proxy or the front end goes away,
// and when it ends (SIGTERM, SIGINT).
//
// Files, in /run/brisgol: redirect-UID.sock (the user's socket),
// redirect-UID.pid (locked while the service runs; a second copy ends at
// once with status 0), redirect-UID.log (what it did).
//
// Exit codes: 0 after a signal or when a copy already runs; 1 when it
// cannot set up; 2 for a bad command line or without root.

#include "outside/redirect/NftBackend.h"
#include "outside/redirect/ProcWatch.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/RedirectService.h"
#include "outside/redirect/RunCommand.h"
#include "outside/redirect/ServiceServer.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

void Log(const std::string& text) {
  const std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  std::fprintf(stderr, "[%s] brisgol-redirectd: %s\n", stamp, text.c_str());
  std::fflush(stderr);
}

bool ParseUid(const char* text, uid_t& uid) {
  if (text == nullptr || *text == '\0') return false;
  unsigned long value = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end || value > 0x7FFFFFFF) return false;
  uid = static_cast<uid_t>(value);
  return true;
}

// The launcher's group, created as a system group when missing.
bool LauncherGroup(gid_t& gid, std::string& error) {
  if (const group* found = getgrnam(kLauncherGroup)) {
    gid = found->gr_gid;
    return true;
  }
  if (!RunCommand("groupadd", {"-r", kLauncherGroup}, "", error)) return false;
  const group* created = getgrnam(kLauncherGroup);
  if (created == nullptr) {
    error = std::string("group ") + kLauncherGroup + " missing after groupadd";
    return false;
  }
  gid = created->gr_gid;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing its starter held open may stay open for the service's whole
  // life (a pipe its starter's caller waits on would never end).
  close_range(3, ~0U, 0);
  uid_t user = getuid();
  if (argc == 3 && std::string(argv[1]) == "--user") {
    if (!ParseUid(argv[2], user)) {
      std::fprintf(stderr, "brisgol-redirectd: --user needs a numeric user id\n");
      return 2;
    }
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: brisgol-redirectd [--user UID]\n");
    return 2;
  } else if (const char* pkexecUid = std::getenv("PKEXEC_UID")) {
    ParseUid(pkexecUid, user);
  }
  if (geteuid() != 0) {
    std::fprintf(stderr, "brisgol-redirectd: needs root (it changes the machine's nftables rules)\n");
    return 2;
  }
  umask(022);
  mkdir(kRedirectRunDir, 0755);
  const int lock = open(kRedirectLockFile, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (lock < 0) {
    std::fprintf(stderr, "brisgol-redirectd: cannot open %s: %s\n", kRedirectLockFile, std::strerror(errno));
    return 1;
  }
  if (flock(lock, LOCK_EX | LOCK_NB) != 0) return 0;  // a copy serves this user already
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(lock, 0) != 0 || pwrite(lock, pid.data(), pid.size(), 0) < 0) return 1;
  const int logFd = open(kRedirectLogFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (logFd >= 0) {
    dup2(logFd, STDERR_FILENO);
    close(logFd);
  }
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  signal(SIGPIPE, SIG_IGN);

  std::string error;
  gid_t gid = 0;
  if (!LauncherGroup(gid, error)) {
    Log("cannot set up the launcher's group: " + error);
    return 1;
  }
  NftBackend backend(gid);
  ProcWatch watch;
  RedirectService service(backend, watch, Log);
  // Whatever a service that crashed left in force goes first.
  if (!service.Clear(error)) {
    Log("cannot use nftables: " + error);
    return 1;
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int stopFd = signalfd(-1, &signals, SFD_CLOEXEC);
  ServiceServer server(service, user, Log);
  if (stopFd < 0 || !server.Listen(RedirectSocketPath(), error)) {
    Log("cannot start: " + error);
    return 1;
  }
  Log("serving user " + std::to_string(user) + " on " + RedirectSocketPath() + "; covering the sockets of group " +
      kLauncherGroup + " (" + std::to_string(gid) + ")");
  server.Run(stopFd);
  if (!service.Clear(error)) Log("removing the rules failed: " + error);
  Log("ended");
  return 0;
}
