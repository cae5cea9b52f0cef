#include "outside/redirect/CoveredCgroup.h"

#include <fstream>
#include <sstream>

namespace {

// mountinfo escapes blanks and backslashes in paths as octal (\040).
bool IsOctal(char c) { return c >= '0' && c <= '7'; }

std::string Unescape(const std::string& field) {
  std::string path;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      path += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      path += field[i];
    }
  }
  return path;
}

}  // namespace

std::string CoveredCgroupName(uid_t uid) { return "brisgol/u" + std::to_string(uid); }

std::string Cgroup2MountPoint(const std::string& mountinfo) {
  std::istringstream lines(mountinfo);
  for (std::string line; std::getline(lines, line);) {
    // ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - FSTYPE SOURCE SUPER
    const std::size_t separator = line.find(" - ");
    if (separator == std::string::npos) continue;
    std::istringstream tail(line.substr(separator + 3));
    std::string type;
    tail >> type;
    if (type != "cgroup2") continue;
    std::istringstream head(line.substr(0, separator));
    std::string id, parent, device, root, mountPoint;
    if (head >> id >> parent >> device >> root >> mountPoint && root == "/") return Unescape(mountPoint);
  }
  return std::string();
}

std::string Cgroup2MountPoint() {
  std::ifstream file("/proc/self/mountinfo");
  std::stringstream text;
  text << file.rdbuf();
  return Cgroup2MountPoint(text.str());
}

std::string CoveredCgroupDirectory(uid_t uid) {
  const std::string mount = Cgroup2MountPoint();
  return mount.empty() ? std::string() : mount + "/" + CoveredCgroupName(uid);
}
