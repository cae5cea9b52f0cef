#include "outside/run/StatusPrograms.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace {

bool IsNumber(const std::string& text) {
  return !text.empty() && text.size() < 10 && text.find_first_not_of("0123456789") == std::string::npos;
}

// The first (real) id of a "Uid:" or "Gid:" line of /proc/PID/status.
bool RealId(const std::string& status, const std::string& key, unsigned long& id) {
  std::istringstream lines(status);
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::istringstream fields(line.substr(key.size()));
    return static_cast<bool>(fields >> id);
  }
  return false;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string CommandName(const std::string& procRoot, pid_t pid) {
  std::string name = ReadFile(procRoot + "/" + std::to_string(pid) + "/comm");
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  return name;
}

}  // namespace

std::vector<CoveredProgram> CoveredPrograms(uid_t uid, const std::string& cgroupDirectory, gid_t launcherGroup,
                                            const std::string& procRoot) {
  std::map<pid_t, std::string> found;
  if (!cgroupDirectory.empty()) {
    std::istringstream pids(ReadFile(cgroupDirectory + "/cgroup.procs"));
    for (std::string pid; pids >> pid;)
      if (IsNumber(pid)) found.emplace(static_cast<pid_t>(std::stol(pid)), std::string());
  }
  if (launcherGroup != static_cast<gid_t>(-1)) {
    if (DIR* proc = opendir(procRoot.c_str())) {
      while (const dirent* entry = readdir(proc)) {
        const std::string name = entry->d_name;
        if (!IsNumber(name)) continue;
        const std::string status = ReadFile(procRoot + "/" + name + "/status");
        unsigned long user = 0, group = 0;
        if (RealId(status, "Uid:", user) && RealId(status, "Gid:", group) && user == uid && group == launcherGroup)
          found.emplace(static_cast<pid_t>(std::stol(name)), std::string());
      }
      closedir(proc);
    }
  }
  std::vector<CoveredProgram> programs;
  for (const auto& entry : found) {
    const std::string name = CommandName(procRoot, entry.first);
    // A process that ended meanwhile is not covered any more.
    if (!name.empty()) programs.push_back(CoveredProgram{entry.first, name});
  }
  return programs;
}
