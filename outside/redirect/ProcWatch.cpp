#include "outside/redirect/ProcWatch.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<ProcSocket> Read(const char* file, int family, bool listeningOnly) {
  std::vector<ProcSocket> sockets = ParseProcNet(ReadSmallFile(std::string("/proc/net/") + file), family);
  if (listeningOnly) std::erase_if(sockets, [](const ProcSocket& socket) { return socket.state != kTcpListenState; });
  return sockets;
}

SocketSnapshot Both(const char* v4, const char* v6, bool listeningOnly) {
  std::vector<ProcSocket> sockets = Read(v4, AF_INET, listeningOnly);
  std::vector<ProcSocket> more = Read(v6, AF_INET6, listeningOnly);
  sockets.insert(sockets.end(), more.begin(), more.end());
  return SocketSnapshot(std::move(sockets));
}

}  // namespace

std::string StatIdentity(const std::string& stat) {
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return std::string();
  // After the name: state (field 3) ... starttime (field 22).
  std::istringstream fields(stat.substr(close + 1));
  std::string state, field;
  if (!(fields >> state) || state == "Z" || state == "X") return std::string();
  for (int index = 4; index <= 22; ++index) {
    if (!(fields >> field)) return std::string();
  }
  return field;
}

long StatusOwner(const std::string& status) {
  std::istringstream lines(status);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Uid:", 0) != 0) continue;
    std::istringstream words(line.substr(4));
    long uid = -1;
    return words >> uid && uid >= 0 ? uid : -1;
  }
  return -1;
}

SocketSnapshot ProcWatch::TcpListeners() { return Both("tcp", "tcp6", true); }

SocketSnapshot ProcWatch::UdpSockets() { return Both("udp", "udp6", false); }

std::string ProcWatch::ProcessIdentity(long pid) {
  return StatIdentity(ReadSmallFile("/proc/" + std::to_string(pid) + "/stat"));
}

long ProcWatch::ProcessOwner(long pid) {
  return StatusOwner(ReadSmallFile("/proc/" + std::to_string(pid) + "/status"));
}

bool ProcWatch::IsOwnAddress(const RedirectEndpoint& endpoint) {
  unsigned char wanted[16] = {};
  if (inet_pton(endpoint.family, endpoint.address.c_str(), wanted) != 1) return false;
  if (endpoint.family == AF_INET && wanted[0] == 127) return true;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
    const sockaddr* address = entry->ifa_addr;
    if (address == nullptr || address->sa_family != endpoint.family) continue;
    const void* bytes = endpoint.family == AF_INET
                            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr)
                            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
    found = std::memcmp(bytes, wanted, endpoint.family == AF_INET ? 4 : 16) == 0;
  }
  freeifaddrs(list);
  return found;
}
