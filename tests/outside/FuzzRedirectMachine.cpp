// Fuzz target: what the redirection service and brisgol-run read from the
// machine: /proc/net listings, /proc/PID/stat and status, mountinfo,
// cgroup.events and the table listing of nft. Nothing may crash, and what
// the listings yield must be consistent with itself.
#include "outside/redirect/CgroupTree.h"
#include "outside/redirect/CoveredCgroup.h"
#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/ProcSockets.h"
#include "outside/redirect/ProcWatch.h"

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const int family : {AF_INET, AF_INET6}) {
    const std::vector<ProcSocket> sockets = ParseProcNet(bytes, family);
    const SocketSnapshot snapshot(sockets);
    for (const ProcSocket& socket : sockets) {
      if (socket.family != family || socket.port < 0 || socket.port > 65535) std::abort();
      char text[INET6_ADDRSTRLEN] = {};
      inet_ntop(family, socket.address, text, sizeof text);
      if (snapshot.Owners({family, text, socket.port}, false).count(socket.uid) == 0) std::abort();
      if (socket.inode != 0 && !snapshot.Lists(socket.inode)) std::abort();
    }
  }
  StatIdentity(bytes);
  StatusOwner(bytes);
  Cgroup2MountPoint(bytes);
  EventsSayPopulated(bytes);
  for (const std::string& table : OurTables(bytes))
    if (table.rfind("inet brisgol_", 0) != 0) std::abort();
  return 0;
}
