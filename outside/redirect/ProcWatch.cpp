#include "outside/redirect/ProcWatch.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr char kListenState[] = "0A";

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

bool ListingHasListener(const std::string& procNetTcp, int port) {
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, ":%04X", port & 0xFFFF);
  std::istringstream lines(procNetTcp);
  std::string line;
  std::getline(lines, line);  // the heading
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string slot, local, remote, state;
    if (!(words >> slot >> local >> remote >> state)) continue;
    if (state != kListenState || local.size() != 13 || local.substr(8) != wanted) continue;
    const std::string address = local.substr(0, 8);
    if (address == "0100007F" || address == "00000000") return true;
  }
  return false;
}

bool ProcWatch::PortListens(int port) { return ListingHasListener(ReadSmallFile("/proc/net/tcp"), port); }

std::string ProcWatch::ProcessIdentity(long pid) {
  const std::string stat = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return std::string();
  // After the name: state (field 3) ... starttime (field 22).
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  for (int index = 3; index <= 22; ++index) {
    if (!(fields >> field)) return std::string();
  }
  // A zombie has ended although its entry is still there.
  std::istringstream state(stat.substr(close + 1));
  std::string letter;
  state >> letter;
  return letter == "Z" || letter == "X" ? std::string() : field;
}
