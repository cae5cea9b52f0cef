// Where the service sees the cgroup v2 hierarchy. nftables names a cgroup
// by its path below /sys/fs/cgroup when it loads a rule; where the unified
// hierarchy is mounted elsewhere (the hybrid layout: /sys/fs/cgroup/unified)
// the service moves into a mount namespace of its own with the hierarchy
// mounted at /sys/fs/cgroup. The kernel then matches the rule everywhere
// (a cgroup's id is the same in every namespace).
#pragma once

#include <string>

inline constexpr char kCgroupRulesRoot[] = "/sys/fs/cgroup";

// The hierarchy's root as this process sees it from now on, or empty
// with note saying why there is none (no cgroup v2 at all, or it cannot be
// mounted where nftables looks). Call while the process has one thread.
std::string PrepareCgroupHierarchy(std::string& note);
