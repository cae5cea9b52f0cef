#include "outside/local/CoveredRefusal.h"

#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/RedirectPaths.h"

#include <grp.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

bool CgroupListIsCovered(const std::string& cgroupList, uid_t uid) {
  const std::string covered = "/" + CoveredCgroupName(uid);
  std::istringstream lines(cgroupList);
  for (std::string line; std::getline(lines, line);) {
    // The unified hierarchy's line: "0::/path".
    if (line.rfind("0::", 0) != 0) continue;
    const std::string path = line.substr(3);
    if (path == covered || path.rfind(covered + "/", 0) == 0) return true;
  }
  return false;
}

bool RunsCovered(std::string& why) {
  std::stringstream cgroups;
  cgroups << std::ifstream("/proc/self/cgroup").rdbuf();
  if (CgroupListIsCovered(cgroups.str(), getuid())) {
    why = "it runs in the cgroup " + CoveredCgroupName(getuid()) + " of the programs brisgol-run covers";
    return true;
  }
  const group* launcher = getgrnam(kLauncherGroup);
  if (launcher == nullptr) return false;
  bool inGroup = getgid() == launcher->gr_gid || getegid() == launcher->gr_gid;
  const int count = getgroups(0, nullptr);
  if (!inGroup && count > 0) {
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got && !inGroup; ++i) inGroup = groups[static_cast<std::size_t>(i)] == launcher->gr_gid;
  }
  if (inGroup) why = std::string("it runs with the group ") + kLauncherGroup + " of the programs brisgol-run covers";
  return inGroup;
}
