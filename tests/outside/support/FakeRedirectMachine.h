// The machine as the redirection service's tests stand it in: rules kept
// in memory, sockets and processes as the test says, cgroups as sets of
// process ids, and ordinary UDP sockets in place of transparent ones (so
// that they have inodes). Each part may be used from the thread that runs
// the service while the test changes it.
#pragma once

#include "outside/redirect/RedirectMachine.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class FakeBackend final : public IRedirectBackend {
 public:
  bool Start(std::string& error) override;
  bool Apply(const UserRuleset& rules, const UserRuleset* previous, std::string& error) override;
  bool Remove(const UserRuleset& rules, std::string& error) override;
  void Stop() override {}

  // The user's table in force, if any.
  bool InForce(uid_t uid, UserRuleset& rules);
  bool Empty();
  int Applied();
  void FailApply(bool fail);

 private:
  std::mutex lock_;
  std::map<uid_t, UserRuleset> inForce_;
  int applied_ = 0;
  bool failApply_ = false;
};

// A socket as /proc/net lists it.
ProcSocket ListedSocket(const std::string& address, int port, uid_t uid, unsigned long inode, bool listening);

class FakeView final : public IMachineView {
 public:
  SocketSnapshot TcpListeners() override;
  SocketSnapshot UdpSockets() override;
  std::string ProcessIdentity(long pid) override;
  long ProcessOwner(long pid) override;
  bool IsOwnAddress(const RedirectEndpoint& endpoint) override;

  void Listen(uid_t uid, const std::string& address, int port);
  void StopListening(const std::string& address, int port);
  void BindUdp(uid_t uid, const std::string& address, int port);
  // A UDP socket connected to remote:remotePort; its inode.
  unsigned long ConnectUdp(uid_t uid, const std::string& address, int port, const std::string& remote, int remotePort);
  void CloseUdp(unsigned long inode);
  // A handed-over socket (by its inode) as /proc lists it, or no longer
  // (the socket is closed).
  void Open(int fd, uid_t uid, const std::string& address, int port);
  void Close(int fd);
  void Run(long pid, uid_t uid, const std::string& identity);
  // How often the listeners were read.
  int Looks();

 private:
  std::mutex lock_;
  std::vector<ProcSocket> tcp_, udp_;
  std::map<long, std::pair<uid_t, std::string>> processes_;
  std::set<std::string> ownAddresses_ = {"127.0.0.1", "198.18.7.1", "::1", "2001:db8:7::1"};
  unsigned long lastInode_ = 100000;
  int looks_ = 0;
};

class FakeCgroups final : public ICoveredCgroups {
 public:
  bool Create(uid_t uid, bool& created, std::string& error) override;
  bool Move(uid_t uid, long pid, std::string& error) override;
  bool Populated(uid_t uid) override;
  bool Remove(uid_t uid) override;
  std::vector<uid_t> Existing() override;

  bool Exists(uid_t uid);
  std::set<long> Members(uid_t uid);
  // The cgroup as a crashed service left it, or emptied, or gone.
  void Leave(uid_t uid, std::set<long> members);
  void Empty(uid_t uid);
  void Delete(uid_t uid);

 private:
  std::mutex lock_;
  std::map<uid_t, std::set<long>> cgroups_;
};

class FakeSockets final : public ITransparentSockets {
 public:
  int Listener(const RedirectEndpoint& local, uid_t owner, std::string& error) override;
  int Reply(const RedirectEndpoint& remote, const RedirectEndpoint& game, uid_t owner, std::string& error) override;
  std::vector<std::string> Made();

 private:
  std::mutex lock_;
  std::vector<std::string> made_;
};

// Routes kept in memory; the test says what each carried.
class FakeKernelPath final : public IUdpKernelPath {
 public:
  bool Add(const UdpKernelRoute& route, std::string& error) override;
  bool Remove(const sockaddr_in& game, const sockaddr_in& remote) override;
  bool Counters(const sockaddr_in& game, const sockaddr_in& remote, UdpKernelCounters& counters) override;
  bool DeviceTo(const sockaddr_in& source, const sockaddr_in& relay, unsigned& ifindex, std::string& error) override;
  void FollowDevices(std::vector<std::string>& changes) override;

  // The next FollowDevices reports change.
  void MoveDevice(const std::string& change);
  // How many times the devices were followed.
  int follows();
  // The routes in force, as "game:port>remote:port via assoc:port>relay:port mark".
  std::vector<std::string> Routes();
  void Carried(const std::string& gameAndRemote, const UdpKernelCounters& counters);
  void FailAdd(bool fail);

 private:
  std::mutex lock_;
  std::map<std::string, UdpKernelRoute> routes_;
  std::map<std::string, UdpKernelCounters> carried_;
  bool failAdd_ = false;
  std::vector<std::string> moves_;
  int follows_ = 0;
};
