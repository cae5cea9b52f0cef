// brisgol-redirectd
//
// The redirection service (what the "drivers" are on Linux): one for every
// user of the machine, running as root. It serves the requests of
// RedirectProtocol.h on kRedirectSocketFile, telling users apart by their
// peer credentials, and keeps each user's rules in the user's own nftables
// table (NftRuleset.h). A user's rules go on CLEAR, when the user's proxy
// or front end goes away, and when the service ends (SIGTERM, SIGINT,
// SIGHUP). On start it removes whatever a copy that crashed left in force:
// its tables, policy rules and routes; its users' rules are gone with it.
//
// Socket activation: when systemd hands it its socket (LISTEN_PID is this
// process, LISTEN_FDS is 1) it serves descriptor 3; otherwise it creates
// the socket itself. It serves the same either way.
//
// Files, in /run/brisgol: redirect.sock (the socket), redirect.pid (locked
// while the service runs; a second copy ends at once with status 0),
// redirect.log (what it did, unless systemd keeps its log).
//
// Exit codes: 0 after a signal or when a copy already runs; 1 when it
// cannot set up; 2 for a command line with arguments or without root.

#include "outside/redirect/CgroupMount.h"
#include "outside/redirect/CgroupTree.h"
#include "outside/redirect/NftBackend.h"
#include "outside/redirect/ProcWatch.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/RedirectService.h"
#include "outside/redirect/RunCommand.h"
#include "outside/redirect/ServiceLog.h"
#include "outside/redirect/ServiceServer.h"
#include "outside/redirect/SocketActivation.h"
#include "outside/redirect/TransparentSockets.h"
#include "outside/redirect/UdpKernelPath.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The launcher's group, created as a system group when missing: where no
// cgroup v2 exists, covered programs run with it.
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

// Takes the lock of the one copy; false when another copy holds it.
bool TakeLock(int& lock) {
  lock = open(kRedirectLockFile, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (lock < 0) {
    std::fprintf(stderr, "brisgol-redirectd: cannot open %s: %s\n", kRedirectLockFile, std::strerror(errno));
    std::exit(1);
  }
  if (flock(lock, LOCK_EX | LOCK_NB) != 0) return false;
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(lock, 0) != 0 || pwrite(lock, pid.data(), pid.size(), 0) < 0) std::exit(1);
  return true;
}

// Standard error goes to the log file unless systemd keeps the log.
void OpenLog() {
  if (std::getenv("INVOCATION_ID") == nullptr) {
    const int logFd = open(kRedirectLogFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (logFd >= 0) {
      dup2(logFd, STDERR_FILENO);
      close(logFd);
    }
  }
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool activated = TakeActivatedSocket();
  // Nothing its starter held open may stay open for the service's whole
  // life (a pipe its starter's caller waits on would never end).
  close_range(activated ? kActivatedSocket + 1 : 3, ~0U, 0);
  if (argc != 1) {
    std::fprintf(stderr, "usage: %s (no arguments: it serves every user)\n", argv[0]);
    return 2;
  }
  if (geteuid() != 0) {
    std::fprintf(stderr, "brisgol-redirectd: needs root (it changes the machine's nftables rules)\n");
    return 2;
  }
  umask(022);
  mkdir(kRedirectRunDir, 0755);
  int lock = -1;
  if (!TakeLock(lock)) return 0;
  OpenLog();
  signal(SIGPIPE, SIG_IGN);
  ServiceLog serviceLog(STDERR_FILENO);
  const auto log = [&serviceLog](const std::string& text) { serviceLog.Write(text); };

  std::string error, note;
  Coverage coverage;
  const std::string hierarchy = PrepareCgroupHierarchy(note);
  coverage.byCgroup = !hierarchy.empty();
  if (!coverage.byCgroup) {
    if (!LauncherGroup(coverage.group, error)) {
      log(note + ", and the launcher's group cannot be set up: " + error);
      return 1;
    }
    log(note + ": covering the programs of the group " + kLauncherGroup + " (" + std::to_string(coverage.group) +
        ") instead of a cgroup");
  }
  NftBackend backend(log);
  ProcWatch view;
  CgroupTree cgroups(hierarchy);
  TransparentSockets sockets;
  UdpKernelPath kernel;
  RedirectService service({backend, view, cgroups, sockets, kernel}, coverage, log);
  // Whatever a copy that crashed left in force goes first.
  if (!backend.Start(error)) {
    log("cannot use nftables: " + error);
    return 1;
  }
  kernel.RemoveStale();
  service.AdoptCgroups();
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int stopFd = signalfd(-1, &signals, SFD_CLOEXEC);
  ServiceServer server(service, log);
  const bool serving = activated ? server.Adopt(kActivatedSocket, error) : server.Listen(kRedirectSocketFile, error);
  if (stopFd < 0 || !serving) {
    log("cannot start: " + error);
    service.Stop();
    backend.Stop();
    return 1;
  }
  log(std::string("serving every user on ") + kRedirectSocketFile + (activated ? " (socket activation)" : "") +
      "; covering the programs of each user's cgroup" + (coverage.byCgroup ? "" : " (by group)"));
  server.Run(stopFd);
  service.Stop();
  backend.Stop();
  log("ended");
  return 0;
}
