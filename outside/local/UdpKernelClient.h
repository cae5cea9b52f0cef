// The local proxy's side of the UDP kernel path: it asks the redirection
// service to let the kernel carry what a game socket exchanges with one
// remote endpoint through the proxy's open association, asks what the
// kernel carried there, and takes the route back.
#pragma once

#include "outside/local/SocksAddress.h"

#include <cstdint>
#include <string>

// What the kernel carried on one route so far.
struct UdpKernelSeen {
  std::uint64_t packetsOut = 0, packetsBack = 0;
  std::uint64_t bytesOut = 0, bytesBack = 0;
};

class IUdpKernelClient {
 public:
  virtual ~IUdpKernelClient() = default;
  // The kernel carries game <-> remote through the association socket on
  // associationPort from now on; false with why.
  virtual bool Carry(const SocksAddress& game, const SocksAddress& remote, int associationPort, std::string& error) = 0;
  virtual bool Seen(const SocksAddress& game, const SocksAddress& remote, UdpKernelSeen& seen) = 0;
  virtual void End(const SocksAddress& game, const SocksAddress& remote) = 0;
};

// Through the redirection service's socket.
class ServiceUdpKernelClient final : public IUdpKernelClient {
 public:
  bool Carry(const SocksAddress& game, const SocksAddress& remote, int associationPort, std::string& error) override;
  bool Seen(const SocksAddress& game, const SocksAddress& remote, UdpKernelSeen& seen) override;
  void End(const SocksAddress& game, const SocksAddress& remote) override;
};
