#include "outside/local/UdpKernelClient.h"

#include "outside/local/SocketUtil.h"
#include "outside/redirect/ServiceClient.h"

#include <vector>

namespace {

bool Request(RedirectRequest::Command command, const SocksAddress& game, const SocksAddress& remote,
             RedirectRequest& request) {
  request.command = command;
  return ServiceEndpoint(game, request.game) && ServiceEndpoint(remote, request.remote) && request.game.family == AF_INET &&
         request.remote.family == AF_INET;
}

}  // namespace

void UdpKernelTally::Add(const KernelRouteSeen& route) {
  routes_[Key(route.game, route.remote)] = {route.packetsOut, route.packetsBack, route.bytesOut, route.bytesBack};
}

bool UdpKernelTally::Find(const SocksAddress& game, const SocksAddress& remote, UdpKernelSeen& seen) const {
  RedirectEndpoint gameEndpoint, remoteEndpoint;
  if (!ServiceEndpoint(game, gameEndpoint) || !ServiceEndpoint(remote, remoteEndpoint)) return false;
  const auto found = routes_.find(Key(gameEndpoint, remoteEndpoint));
  if (found == routes_.end()) return false;
  seen = found->second;
  return true;
}

// The endpoints as the service writes them.
std::string UdpKernelTally::Key(const RedirectEndpoint& game, const RedirectEndpoint& remote) {
  return game.address + " " + std::to_string(game.port) + " " + remote.address + " " + std::to_string(remote.port);
}

bool ServiceUdpKernelClient::Carry(const SocksAddress& game, const SocksAddress& remote, int associationPort,
                                   std::string& error) {
  RedirectRequest request;
  if (!Request(RedirectRequest::Command::kUdpKernel, game, remote, request)) {
    error = "the kernel carries IPv4 only";
    return false;
  }
  request.port = associationPort;
  return AskRedirectService(request, error);
}

bool ServiceUdpKernelClient::Seen(UdpKernelTally& tally) {
  RedirectRequest request;
  request.command = RedirectRequest::Command::kUdpKernelSeen;
  std::string error, details;
  std::vector<KernelRouteSeen> routes;
  if (!AskRedirectService(request, error, nullptr, &details) || !ParseKernelSeen(details, routes)) return false;
  for (const KernelRouteSeen& route : routes) tally.Add(route);
  return true;
}

void ServiceUdpKernelClient::End(const SocksAddress& game, const SocksAddress& remote) {
  RedirectRequest request;
  std::string error;
  if (Request(RedirectRequest::Command::kUdpKernelEnd, game, remote, request)) AskRedirectService(request, error);
}
