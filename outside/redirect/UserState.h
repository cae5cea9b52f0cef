// What the redirection service keeps for one user, and what the user's
// table should hold given what listens now.
#pragma once

#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/ProcSockets.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// How covered programs are recognised on this machine.
struct Coverage {
  bool byCgroup = true;  // the user's cgroup; else the launcher's group
  gid_t group = 0;
};

// A transparent UDP listener handed to the user's proxy; the service
// keeps no copy, only its inode, to see whether it is still open.
struct HandedListener {
  int family = 0;
  int port = 0;
  unsigned long inode = 0;
};

// A route the kernel carries for the user's proxy (UdpKernelPath.h): it
// goes when the association socket it runs through closes.
struct KernelRoute {
  RedirectEndpoint game;
  RedirectEndpoint remote;
  unsigned long association = 0;  // the association socket's inode
};

struct UserState {
  std::vector<int> rulePorts;              // the newest is in force
  long watchedPid = 0;                     // the front end; 0: none
  std::string watchedIdentity;
  std::vector<HandedListener> listeners;
  std::optional<UserRuleset> applied;      // the user's table in force
  bool cgroup = false;                     // the user's cgroup exists
  std::vector<KernelRoute> kernelRoutes;   // only while rules are in force

  bool Idle() const {
    return rulePorts.empty() && watchedPid == 0 && listeners.empty() && !applied && !cgroup && kernelRoutes.empty();
  }
  // The listener of family on port, if one is still open.
  bool ListenerOpen(int family, int port, const SocketSnapshot& udp) const;
};

// The user's table for the newest rule: IPv6 is carried while the user
// owns a listener on [::1]:port; UDP of a family is detoured while the
// user's handed-over listener of that family on port is open.
UserRuleset WantedRuleset(uid_t uid, unsigned slot, const Coverage& coverage, const UserState& user,
                          const SocketSnapshot& tcp, const SocketSnapshot& udp);

// "TCP to port 48080, IPv4 UDP detoured, IPv6 refused", for the log.
std::string DescribeRuleset(const UserRuleset& rules);

// "127.0.0.1:48080", "[::1]:48080".
std::string EndpointText(const RedirectEndpoint& endpoint);

// True when exactly uid owns what listens at endpoint; why says otherwise.
bool OwnsListener(const SocketSnapshot& tcp, const RedirectEndpoint& endpoint, uid_t uid, std::string& why);
