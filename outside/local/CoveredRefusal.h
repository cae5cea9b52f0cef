// "local.exe" must not run among the programs the redirect covers (the
// user's cgroup "brisgol/u<uid>", or the launcher's group where there is
// no cgroup v2): its own connections to the line would be sent back into
// itself.
#pragma once

#include <sys/types.h>

#include <string>

// Whether /proc/self/cgroup text puts the process in uid's covered cgroup
// or below it.
bool CgroupListIsCovered(const std::string& cgroupList, uid_t uid);

// Whether this process runs covered (cgroup or group); why names which.
bool RunsCovered(std::string& why);
