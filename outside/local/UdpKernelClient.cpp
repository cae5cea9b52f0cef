#include "outside/local/UdpKernelClient.h"

#include "outside/local/SocketUtil.h"
#include "outside/redirect/ServiceClient.h"

#include <sstream>

namespace {

bool Request(RedirectRequest::Command command, const SocksAddress& game, const SocksAddress& remote,
             RedirectRequest& request) {
  request.command = command;
  return ServiceEndpoint(game, request.game) && ServiceEndpoint(remote, request.remote) && request.game.family == AF_INET &&
         request.remote.family == AF_INET;
}

}  // namespace

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

bool ServiceUdpKernelClient::Seen(const SocksAddress& game, const SocksAddress& remote, UdpKernelSeen& seen) {
  RedirectRequest request;
  std::string error, details;
  if (!Request(RedirectRequest::Command::kUdpKernelSeen, game, remote, request) ||
      !AskRedirectService(request, error, nullptr, &details)) {
    return false;
  }
  std::istringstream numbers(details);
  UdpKernelSeen read;
  if (!(numbers >> read.packetsOut >> read.packetsBack >> read.bytesOut >> read.bytesBack)) return false;
  seen = read;
  return true;
}

void ServiceUdpKernelClient::End(const SocksAddress& game, const SocksAddress& remote) {
  RedirectRequest request;
  std::string error;
  if (Request(RedirectRequest::Command::kUdpKernelEnd, game, remote, request)) AskRedirectService(request, error);
}
