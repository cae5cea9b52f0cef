// brisgol-run PROGRAM [ARGS...]
// brisgol-run --status [--json]   (outside/run/StatusCommand.h)
//
// Runs PROGRAM (looked up in PATH) with the launcher's group as its group,
// so that the redirection service covers its traffic and its children's:
// usable as a game launcher's launch option ("brisgol-run %command%").
// The redirection service creates the group; the program keeps the
// caller's user, environment and current directory.
//
// Joining the group needs root, or this program installed set-group-id to
// the group (chgrp brisgolrun brisgol-run; chmod g+s brisgol-run).
//
// Exit codes: PROGRAM's own once it runs; 2 for a missing PROGRAM; 126
// when the group cannot be joined; 127 when PROGRAM cannot be run.
#include "outside/redirect/RedirectPaths.h"
#include "outside/run/StatusCommand.h"

#include <grp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Makes gid the real, effective and saved group and the only supplementary
// group (as root), or the real and effective group of a set-group-id copy.
bool JoinGroup(gid_t gid) {
  if (geteuid() == 0) return setgroups(1, &gid) == 0 && setresgid(gid, gid, gid) == 0;
  return getegid() == gid && setresgid(gid, gid, gid) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (IsStatusCommand(argc, argv)) return RunStatusCommand(argc, argv);
  if (argc < 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: brisgol-run PROGRAM [ARGS...]\n");
    return 2;
  }
  const group* launcher = getgrnam(kLauncherGroup);
  if (launcher == nullptr) {
    std::fprintf(stderr,
                 "brisgol-run: the group %s does not exist yet; start the accelerator once (its redirection "
                 "service creates it)\n",
                 kLauncherGroup);
    return 126;
  }
  if (!JoinGroup(launcher->gr_gid)) {
    std::fprintf(stderr,
                 "brisgol-run: cannot run with the group %s (%s); run as root or install brisgol-run set-group-id "
                 "to that group\n",
                 kLauncherGroup, std::strerror(errno == 0 ? EPERM : errno));
    return 126;
  }
  execvp(argv[1], argv + 1);
  std::fprintf(stderr, "brisgol-run: cannot run %s: %s\n", argv[1], std::strerror(errno));
  return 127;
}
