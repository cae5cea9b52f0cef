// The redirection service's view of the machine: sockets and processes
// from /proc, the interfaces' addresses from getifaddrs.
#pragma once

#include "outside/redirect/RedirectMachine.h"

class ProcWatch final : public IMachineView {
 public:
  SocketSnapshot TcpListeners() override;
  SocketSnapshot UdpSockets() override;
  // The process's start time (field 22 of /proc/PID/stat).
  std::string ProcessIdentity(long pid) override;
  long ProcessOwner(long pid) override;
  bool IsOwnAddress(const RedirectEndpoint& endpoint) override;
};

// The start time in /proc/PID/stat text; empty for a process that has
// ended (a zombie) or text that does not parse.
std::string StatIdentity(const std::string& stat);
// The real user id in /proc/PID/status text; -1 when it does not parse.
long StatusOwner(const std::string& status);
