#include "platform/MachineRoot.h"

#include <cstdlib>
#include <filesystem>

std::string MachineRoot() {
  std::string root;
  if (const char* env = std::getenv("BRISGOL_ROOT"); env && *env) {
    root = env;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
    root = std::string(data) + "/brisgol-machine";
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    root = std::string(home) + "/.local/share/brisgol-machine";
  } else {
    root = "/tmp/brisgol-machine";
  }
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::error_code ec;
  std::filesystem::create_directories(root, ec);
  return root;
}

std::string MachinePath(const std::string& relative) { return MachineRoot() + "/" + relative; }
