// Where the programs a user runs with brisgol-run are kept: one cgroup v2
// per user, "brisgol/u<uid>" below the root of the unified hierarchy. The
// redirection service creates it, moves brisgol-run into it and removes it
// once it is empty; the rules match its sockets ("socket cgroupv2").
#pragma once

#include <sys/types.h>

#include <string>

// The cgroup's path relative to the hierarchy's root, as nftables names it.
std::string CoveredCgroupName(uid_t uid);

// Where the unified (v2) hierarchy is mounted, read from mountinfo text
// (/proc/self/mountinfo); empty when there is none.
std::string Cgroup2MountPoint(const std::string& mountinfo);
std::string Cgroup2MountPoint();

// The user's cgroup directory (the mount point and the name); empty when
// no v2 hierarchy is mounted.
std::string CoveredCgroupDirectory(uid_t uid);
