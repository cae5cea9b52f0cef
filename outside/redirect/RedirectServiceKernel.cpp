// The redirection service's share of the UDP kernel path: a user's proxy
// hands the kernel what one game socket exchanges with one remote
// endpoint through the proxy's open association. The service checks that
// both the game socket and the association socket are the caller's (the
// kernel would otherwise deliver into, or take from, another user's
// socket) and that the caller's IPv4 UDP is detoured (the kernel only
// carries datagrams with the caller's detour mark).
#include "outside/redirect/RedirectService.h"

#include "outside/redirect/NeverRedirected.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace {

ServiceAnswer Answer(bool ok, const std::string& text) { return {FormatAnswer(ok, text), -1}; }

// The requests' endpoints are IPv4 (the parser sees to it).
sockaddr_in Ipv4(const RedirectEndpoint& endpoint) {
  sockaddr_storage address{};
  socklen_t length = 0;
  EndpointAddress(endpoint, address, length);
  return reinterpret_cast<const sockaddr_in&>(address);
}

sockaddr_in Ipv4(const unsigned char* bytes, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  std::memcpy(&address.sin_addr, bytes, 4);
  return address;
}

bool Unset(const unsigned char* bytes) { return bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0; }

auto SameRoute(const RedirectEndpoint& game, const RedirectEndpoint& remote) {
  return [&](const KernelRoute& route) { return route.game == game && route.remote == remote; };
}

}  // namespace

ServiceAnswer RedirectService::UdpKernel(const PeerCredentials& peer, const RedirectEndpoint& game,
                                         const RedirectEndpoint& remote, int associationPort) {
  const auto found = users_.find(peer.uid);
  if (found == users_.end() || !found->second.applied || !found->second.applied->udp4) {
    return Answer(false, "no IPv4 UDP of yours is detoured");
  }
  UserState& user = found->second;
  if (IsNeverRedirected(remote) || machine_.view.IsOwnAddress(remote)) {
    return Answer(false, EndpointText(remote) + " is never redirected");
  }
  if (!machine_.view.IsOwnAddress(game)) return Answer(false, game.address + " is not an address of this machine");
  const SocketSnapshot udp = machine_.view.UdpSockets();
  const std::set<uid_t> owners = udp.Owners(game, false);
  if (owners.size() != 1 || *owners.begin() != peer.uid) {
    return Answer(false, EndpointText(game) + " is not a UDP socket of yours");
  }
  // The association socket: the caller's, connected to the line's relay.
  std::vector<ProcSocket> bound = udp.At(AF_INET, associationPort);
  std::erase_if(bound, [&](const ProcSocket& socket) { return socket.uid != peer.uid || Unset(socket.remoteAddress); });
  if (bound.size() != 1) {
    return Answer(false, "no UDP socket of yours on port " + std::to_string(associationPort) + " is connected");
  }
  const ProcSocket& association = bound.front();
  auto& routes = user.kernelRoutes;
  const auto earlier = std::find_if(routes.begin(), routes.end(), SameRoute(game, remote));
  if (earlier == routes.end() && routes.size() >= kMaxKernelRoutes) {
    return Answer(false, "too many kernel routes (at most " + std::to_string(kMaxKernelRoutes) + ")");
  }
  UdpKernelRoute route;
  route.game = Ipv4(game);
  route.remote = Ipv4(remote);
  route.association = Ipv4(association.address, association.port);
  route.relay = Ipv4(association.remoteAddress, association.remotePort);
  route.mark = UdpDetourMark(user.applied->slot);
  std::string error;
  if (!machine_.kernel.DeviceTo(route.association, route.relay, route.ifindex, error) ||
      !machine_.kernel.Add(route, error)) {
    return Answer(false, error);
  }
  if (earlier != routes.end()) routes.erase(earlier);
  routes.push_back({game, remote, association.inode});
  return Answer(true, "");
}

ServiceAnswer RedirectService::UdpKernelEnd(const PeerCredentials& peer, const RedirectEndpoint& game,
                                            const RedirectEndpoint& remote) {
  const auto found = users_.find(peer.uid);
  if (found == users_.end()) return Answer(false, "no such kernel route of yours");
  auto& routes = found->second.kernelRoutes;
  const auto route = std::find_if(routes.begin(), routes.end(), SameRoute(game, remote));
  if (route == routes.end()) return Answer(false, "no such kernel route of yours");
  machine_.kernel.Remove(Ipv4(game), Ipv4(remote));
  routes.erase(route);
  return Answer(true, "");
}

ServiceAnswer RedirectService::UdpKernelSeen(const PeerCredentials& peer) {
  std::vector<KernelRouteSeen> seen;
  const auto found = users_.find(peer.uid);
  if (found != users_.end()) {
    for (const KernelRoute& route : found->second.kernelRoutes) {
      UdpKernelCounters counters;
      // A route the kernel no longer lists is left out: the proxy then
      // carries it again.
      if (!machine_.kernel.Counters(Ipv4(route.game), Ipv4(route.remote), counters)) continue;
      seen.push_back({route.game, route.remote, counters.packetsOut, counters.packetsBack, counters.bytesOut, counters.bytesBack});
    }
  }
  return Answer(true, FormatKernelSeen(seen));
}

void RedirectService::FollowKernelRoutes(UserState& user, const SocketSnapshot& udp) {
  std::erase_if(user.kernelRoutes, [&](const KernelRoute& route) {
    if (udp.Lists(route.association)) return false;
    machine_.kernel.Remove(Ipv4(route.game), Ipv4(route.remote));
    return true;
  });
}

void RedirectService::FollowKernelDevices() {
  const bool anyRoutes =
      std::any_of(users_.begin(), users_.end(), [](const auto& entry) { return !entry.second.kernelRoutes.empty(); });
  if (!anyRoutes) return;
  std::vector<std::string> changes;
  machine_.kernel.FollowDevices(changes);
  for (const std::string& change : changes) Log("UDP kernel path: " + change);
}

void RedirectService::DropKernelRoutes(UserState& user) {
  for (const KernelRoute& route : user.kernelRoutes) machine_.kernel.Remove(Ipv4(route.game), Ipv4(route.remote));
  user.kernelRoutes.clear();
}
