// The redirection service's view of the machine, read from /proc: is the
// local proxy's port listening, does the front end still run.
#pragma once

#include "outside/redirect/RedirectService.h"

class ProcWatch final : public IRuleWatch {
 public:
  bool PortListens(int port) override;
  // The process's start time (field 22 of /proc/PID/stat).
  std::string ProcessIdentity(long pid) override;
};

// True when the /proc/net/tcp text lists a listening socket on
// 127.0.0.1:port or 0.0.0.0:port.
bool ListingHasListener(const std::string& procNetTcp, int port);
