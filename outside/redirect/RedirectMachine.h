// What the redirection service changes and looks at on the machine, handed
// in to RedirectService so that tests can stand in for each part.
#pragma once

#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/ProcSockets.h"
#include "outside/redirect/RedirectProtocol.h"
#include "outside/redirect/UdpKernelRoute.h"

#include <sys/types.h>

#include <string>
#include <vector>

// The rules: the users' tables, the guard and the policy routes.
class IRedirectBackend {
 public:
  virtual ~IRedirectBackend() = default;
  // Removes every table, policy rule and route of ours (what a crashed
  // service left) and puts the guard of handed-over sockets in force.
  virtual bool Start(std::string& error) = 0;
  // Puts the user's table in force, replacing previous (null when the user
  // had none); the policy route of the slot comes before the table's marks.
  // On failure nothing changed.
  virtual bool Apply(const UserRuleset& rules, const UserRuleset* previous, std::string& error) = 0;
  // Removes the user's table, then the slot's policy route.
  virtual bool Remove(const UserRuleset& rules, std::string& error) = 0;
  // The service ends: removes the guard unless a socket it guards is open.
  virtual void Stop() = 0;
};

// What runs and listens.
class IMachineView {
 public:
  virtual ~IMachineView() = default;
  // The listening TCP sockets of both families.
  virtual SocketSnapshot TcpListeners() = 0;
  // The UDP sockets of both families.
  virtual SocketSnapshot UdpSockets() = 0;
  // A text that identifies the running process (it changes when the id is
  // reused); empty when no such process runs.
  virtual std::string ProcessIdentity(long pid) = 0;
  // The process's real user id; -1 when no such process runs.
  virtual long ProcessOwner(long pid) = 0;
  // True for an address of one of the machine's interfaces (or 127/8).
  virtual bool IsOwnAddress(const RedirectEndpoint& endpoint) = 0;
};

// The users' cgroups (brisgol/u<uid>, see CoveredCgroup.h).
class ICoveredCgroups {
 public:
  virtual ~ICoveredCgroups() = default;
  // Creates the user's cgroup when missing; created tells whether it was.
  virtual bool Create(uid_t uid, bool& created, std::string& error) = 0;
  // Moves the process into the user's cgroup.
  virtual bool Move(uid_t uid, long pid, std::string& error) = 0;
  // True while a process is in the user's cgroup.
  virtual bool Populated(uid_t uid) = 0;
  // Removes the (empty) cgroup; false when it cannot go yet.
  virtual bool Remove(uid_t uid) = 0;
  // The users whose cgroup exists (a crashed service's, at start).
  virtual std::vector<uid_t> Existing() = 0;
};

// The transparent UDP sockets the service makes for a user's proxy, owned
// by that user (as /proc shows them) and carrying kHandedSocketMark.
class ITransparentSockets {
 public:
  virtual ~ITransparentSockets() = default;
  // Bound to the loopback endpoint, receiving the original destination of
  // each datagram. A socket, or -1 with error.
  virtual int Listener(const RedirectEndpoint& local, uid_t owner, std::string& error) = 0;
  // Bound to remote (SO_REUSEADDR) and connected to game.
  virtual int Reply(const RedirectEndpoint& remote, const RedirectEndpoint& game, uid_t owner,
                    std::string& error) = 0;
};

// The kernel's share of carrying the games' UDP (UdpKernelPath.h).
class IUdpKernelPath {
 public:
  virtual ~IUdpKernelPath() = default;
  // Carries route from now on (replacing an earlier route of the same
  // game socket and remote endpoint); false with why when this machine
  // cannot.
  virtual bool Add(const UdpKernelRoute& route, std::string& error) = 0;
  // Stops carrying the route between game and remote; false when there was
  // none.
  virtual bool Remove(const sockaddr_in& game, const sockaddr_in& remote) = 0;
  // What the kernel carried on that route so far.
  virtual bool Counters(const sockaddr_in& game, const sockaddr_in& remote, UdpKernelCounters& counters) = 0;
  // The device by which what source sends to relay leaves; 0 when relay is
  // an address of this machine.
  virtual bool DeviceTo(const sockaddr_in& source, const sockaddr_in& relay, unsigned& ifindex, std::string& error) = 0;
  // Looks again by which device each remote relay is reached and carries
  // on by the new one where the route moved; each move (or move it cannot
  // follow) adds a line to changes.
  virtual void FollowDevices(std::vector<std::string>& changes) = 0;
};
