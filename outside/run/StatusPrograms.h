// The programs brisgol-run covers right now for a user: the processes in
// the user's covered cgroup, and (where the rules match the launcher's
// group instead) the user's processes running with the launcher's group.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct CoveredProgram {
  pid_t pid = 0;
  std::string name;  // the process's command name (/proc/PID/comm)
};

// cgroupDirectory: the user's covered cgroup (empty: none); launcherGroup:
// the launcher's group id (-1: none); procRoot: where /proc is. Sorted by
// process id, each once.
std::vector<CoveredProgram> CoveredPrograms(uid_t uid, const std::string& cgroupDirectory, gid_t launcherGroup,
                                            const std::string& procRoot = "/proc");
