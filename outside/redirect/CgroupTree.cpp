#include "outside/redirect/CgroupTree.h"

#include "outside/redirect/CoveredCgroup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr char kTop[] = "brisgol";

std::string Failure(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool EventsSayPopulated(const std::string& events) {
  std::istringstream lines(events);
  for (std::string line; std::getline(lines, line);)
    if (line == "populated 1") return true;
  return false;
}

std::string CgroupTree::Directory(uid_t uid) const { return root_ + "/" + CoveredCgroupName(uid); }

bool CgroupTree::Create(uid_t uid, bool& created, std::string& error) {
  created = false;
  if (root_.empty()) {
    error = "no cgroup v2 hierarchy";
    return false;
  }
  const std::string top = root_ + "/" + kTop;
  if (mkdir(top.c_str(), 0755) != 0 && errno != EEXIST) {
    error = Failure("cannot create the cgroup", top);
    return false;
  }
  const std::string directory = Directory(uid);
  if (mkdir(directory.c_str(), 0755) == 0) {
    created = true;
    return true;
  }
  if (errno == EEXIST) return true;
  error = Failure("cannot create the cgroup", directory);
  return false;
}

bool CgroupTree::Move(uid_t uid, long pid, std::string& error) {
  const std::string procs = Directory(uid) + "/cgroup.procs";
  const int fd = open(procs.c_str(), O_WRONLY | O_CLOEXEC);
  const std::string text = std::to_string(pid) + "\n";
  const bool moved = fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (!moved) error = Failure("cannot move process " + std::to_string(pid) + " into", procs);
  if (fd >= 0) close(fd);
  return moved;
}

bool CgroupTree::Populated(uid_t uid) {
  std::ifstream file(Directory(uid) + "/cgroup.events");
  std::stringstream text;
  text << file.rdbuf();
  return EventsSayPopulated(text.str());
}

bool CgroupTree::Remove(uid_t uid) {
  if (root_.empty()) return true;
  if (rmdir(Directory(uid).c_str()) != 0 && errno != ENOENT) return false;
  // The top goes with its last user's cgroup; it stays while others have one.
  rmdir((root_ + "/" + kTop).c_str());
  return true;
}

std::vector<uid_t> CgroupTree::Existing() {
  std::vector<uid_t> uids;
  if (root_.empty()) return uids;
  DIR* top = opendir((root_ + "/" + kTop).c_str());
  if (top == nullptr) return uids;
  while (const dirent* entry = readdir(top)) {
    const std::string name = entry->d_name;
    if (name.size() < 2 || name.size() > 11 || name[0] != 'u' ||
        name.find_first_not_of("0123456789", 1) != std::string::npos) {
      continue;
    }
    const unsigned long uid = std::stoul(name.substr(1));
    if (uid <= 0xFFFFFFFEul && CoveredCgroupName(static_cast<uid_t>(uid)) == std::string(kTop) + "/" + name) {
      uids.push_back(static_cast<uid_t>(uid));
    }
  }
  closedir(top);
  return uids;
}
