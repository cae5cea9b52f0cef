// The local proxy's side of the UDP kernel path: it asks the redirection
// service to let the kernel carry what a game socket exchanges with one
// remote endpoint through the proxy's open association, asks what the
// kernel carried there, and takes the route back.
#pragma once

#include "outside/local/SocksAddress.h"
#include "outside/redirect/RedirectProtocol.h"

#include <cstdint>
#include <string>
#include <unordered_map>

// What the kernel carried on one route so far.
struct UdpKernelSeen {
  std::uint64_t packetsOut = 0, packetsBack = 0;
  std::uint64_t bytesOut = 0, bytesBack = 0;
};

// What the kernel carried on each of the proxy's routes at one look.
class UdpKernelTally {
 public:
  void Add(const KernelRouteSeen& route);
  // False when the kernel has no such route (any more).
  bool Find(const SocksAddress& game, const SocksAddress& remote, UdpKernelSeen& seen) const;

 private:
  static std::string Key(const RedirectEndpoint& game, const RedirectEndpoint& remote);

  std::unordered_map<std::string, UdpKernelSeen> routes_;
};

class IUdpKernelClient {
 public:
  virtual ~IUdpKernelClient() = default;
  // The kernel carries game <-> remote through the association socket on
  // associationPort from now on; false with why.
  virtual bool Carry(const SocksAddress& game, const SocksAddress& remote, int associationPort, std::string& error) = 0;
  // What the kernel carried on every route, in one question; false when
  // there was no answer.
  virtual bool Seen(UdpKernelTally& tally) = 0;
  virtual void End(const SocksAddress& game, const SocksAddress& remote) = 0;
};

// Through the redirection service's socket.
class ServiceUdpKernelClient final : public IUdpKernelClient {
 public:
  bool Carry(const SocksAddress& game, const SocksAddress& remote, int associationPort, std::string& error) override;
  bool Seen(UdpKernelTally& tally) override;
  void End(const SocksAddress& game, const SocksAddress& remote) override;
};
