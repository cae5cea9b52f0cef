#include "outside/redirect/CgroupMount.h"

#include "outside/redirect/CoveredCgroup.h"

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

std::string PrepareCgroupHierarchy(std::string& note) {
  const std::string mounted = Cgroup2MountPoint();
  if (mounted.empty()) {
    note = "no cgroup v2 hierarchy is mounted";
    return std::string();
  }
  if (mounted == kCgroupRulesRoot) return mounted;
  // Only this process's view changes: private propagation keeps the mount
  // from reaching the machine's namespace.
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("cgroup2", kCgroupRulesRoot, "cgroup2", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
    note = "cannot mount the cgroup v2 hierarchy (at " + mounted + ") at " + kCgroupRulesRoot +
           " in a mount namespace of its own: " + std::strerror(errno);
    return std::string();
  }
  return kCgroupRulesRoot;
}
