// The redirection service's decisions, apart from its socket and from the
// machine (RedirectMachine.h, handed in). One state per user, told apart by
// the peer's credentials; no request of one user changes what another
// user has.
//
// Per user: at most kMaxRules rules, the newest in force, each only to a
// port where the same user's proxy listens on 127.0.0.1; the front end it
// watches; the transparent UDP listeners it was handed; its cgroup. While
// a user's rules are in force, Check (several times a second) follows the
// proxy: the rules go as soon as its port stops listening or the watched
// front end ends, so covered traffic flows directly again instead of into
// a dead port; IPv6 and each family's UDP follow the proxy's listeners
// (UserState.h). A user's cgroup is removed once it is empty and the user
// has no rules.
#pragma once

#include "outside/redirect/RedirectMachine.h"
#include "outside/redirect/UserState.h"

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct PeerCredentials {
  uid_t uid = 0;
  long pid = 0;
};

// An answer line, and the socket it carries (-1: none); the caller sends
// both and then closes the socket.
struct ServiceAnswer {
  std::string line;
  int socket = -1;
};

class RedirectService {
 public:
  static constexpr std::size_t kMaxRules = 8;
  static constexpr std::size_t kMaxListeners = 8;
  static constexpr std::size_t kMaxKernelRoutes = 256;

  struct Machine {
    IRedirectBackend& backend;
    IMachineView& view;
    ICoveredCgroups& cgroups;
    ITransparentSockets& sockets;
    IUdpKernelPath& kernel;
  };

  RedirectService(Machine machine, Coverage coverage, std::function<void(const std::string&)> log);

  ServiceAnswer Handle(const PeerCredentials& peer, std::string_view request);
  // Follows the proxies and front ends of the users with rules, removes
  // empty cgroups.
  void Check();
  // True while Check has something to follow.
  bool NeedsChecks() const;
  // Takes over the cgroups a crashed service left, to remove them once
  // they are empty.
  void AdoptCgroups();
  // The service ends: every user's rules go, and every empty cgroup.
  void Stop();

 private:
  // Logs a refused request once (a run of the same refusal is counted).
  void LogRefusal(const PeerCredentials& peer, std::string_view request, const std::string& answer);
  ServiceAnswer Add(const PeerCredentials& peer, int port);
  ServiceAnswer Watch(const PeerCredentials& peer, long pid);
  ServiceAnswer Clear(const PeerCredentials& peer);
  ServiceAnswer Join(const PeerCredentials& peer, long pid);
  ServiceAnswer Listener(const PeerCredentials& peer, const RedirectEndpoint& local);
  ServiceAnswer Reply(const PeerCredentials& peer, const RedirectEndpoint& remote, const RedirectEndpoint& game);
  // The UDP kernel path's requests (RedirectServiceKernel.cpp).
  ServiceAnswer UdpKernel(const PeerCredentials& peer, const RedirectEndpoint& game, const RedirectEndpoint& remote,
                          int associationPort);
  ServiceAnswer UdpKernelEnd(const PeerCredentials& peer, const RedirectEndpoint& game, const RedirectEndpoint& remote);
  ServiceAnswer UdpKernelSeen(const PeerCredentials& peer);
  // Stops the user's kernel routes whose association socket has closed.
  void FollowKernelRoutes(UserState& user, const SocketSnapshot& udp);
  // Moves the kernel routes to the device the routing table names now.
  void FollowKernelDevices();
  // Stops all of the user's kernel routes.
  void DropKernelRoutes(UserState& user);

  // Makes the user's cgroup when missing (the rules in force are loaded
  // again for one made anew).
  bool EnsureCgroup(uid_t uid, UserState& user, std::string& error);
  // Puts wanted in force for the user (nothing when it already is).
  bool Enforce(UserState& user, const UserRuleset& wanted, std::string& error);
  // Re-reads what listens and brings the user's table up to date.
  void Follow(uid_t uid, UserState& user, const SocketSnapshot& tcp, const SocketSnapshot& udp);
  // Removes the user's rules; false (rules kept) when nftables refused.
  bool DropRules(UserState& user, std::string& error);
  // Removes the user's cgroup when it is empty and not needed; forgets an
  // idle user.
  void Tidy(uid_t uid);
  bool TakeSlot(const UserState& user, unsigned& slot);
  void Log(const std::string& text);

  Machine machine_;
  Coverage coverage_;
  std::function<void(const std::string&)> log_;
  std::map<uid_t, UserState> users_;
  std::vector<bool> slotsTaken_;
  std::string lastRefusal_;
  std::size_t repeatedRefusals_ = 0;
};
