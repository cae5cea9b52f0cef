#include "tests/outside/support/FakeRedirectMachine.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

int FamilyOf(const std::string& address) { return address.find(':') != std::string::npos ? AF_INET6 : AF_INET; }

unsigned long InodeOf(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 ? static_cast<unsigned long>(status.st_ino) : 0;
}

}  // namespace

bool FakeBackend::Start(std::string&) { return true; }

bool FakeBackend::Apply(const UserRuleset& rules, const UserRuleset* previous, std::string& error) {
  std::lock_guard<std::mutex> guard(lock_);
  if (failApply_) {
    error = "nft refused";
    return false;
  }
  // The service names the table in force as the previous one.
  if ((previous != nullptr) != (inForce_.count(rules.uid) != 0)) {
    error = "the previous table is not the one in force";
    return false;
  }
  inForce_[rules.uid] = rules;
  ++applied_;
  return true;
}

bool FakeBackend::Remove(const UserRuleset& rules, std::string& error) {
  std::lock_guard<std::mutex> guard(lock_);
  if (inForce_.erase(rules.uid) == 0) {
    error = "no table of user " + std::to_string(rules.uid);
    return false;
  }
  return true;
}

bool FakeBackend::InForce(uid_t uid, UserRuleset& rules) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = inForce_.find(uid);
  if (found == inForce_.end()) return false;
  rules = found->second;
  return true;
}

bool FakeBackend::Empty() {
  std::lock_guard<std::mutex> guard(lock_);
  return inForce_.empty();
}

int FakeBackend::Applied() {
  std::lock_guard<std::mutex> guard(lock_);
  return applied_;
}

void FakeBackend::FailApply(bool fail) {
  std::lock_guard<std::mutex> guard(lock_);
  failApply_ = fail;
}

ProcSocket ListedSocket(const std::string& address, int port, uid_t uid, unsigned long inode, bool listening) {
  ProcSocket socket;
  socket.family = FamilyOf(address);
  inet_pton(socket.family, address.c_str(), socket.address);
  socket.port = port;
  socket.uid = uid;
  socket.inode = inode;
  socket.state = listening ? kTcpListenState : 0x07;
  return socket;
}

SocketSnapshot FakeView::TcpListeners() {
  std::lock_guard<std::mutex> guard(lock_);
  ++looks_;
  return SocketSnapshot(tcp_);
}

SocketSnapshot FakeView::UdpSockets() {
  std::lock_guard<std::mutex> guard(lock_);
  return SocketSnapshot(udp_);
}

std::string FakeView::ProcessIdentity(long pid) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = processes_.find(pid);
  return found == processes_.end() ? std::string() : found->second.second;
}

long FakeView::ProcessOwner(long pid) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = processes_.find(pid);
  return found == processes_.end() ? -1 : static_cast<long>(found->second.first);
}

bool FakeView::IsOwnAddress(const RedirectEndpoint& endpoint) {
  std::lock_guard<std::mutex> guard(lock_);
  return ownAddresses_.count(endpoint.address) != 0;
}

void FakeView::Listen(uid_t uid, const std::string& address, int port) {
  std::lock_guard<std::mutex> guard(lock_);
  tcp_.push_back(ListedSocket(address, port, uid, ++lastInode_, true));
}

void FakeView::StopListening(const std::string& address, int port) {
  const ProcSocket gone = ListedSocket(address, port, 0, 0, true);
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(tcp_, [&](const ProcSocket& socket) {
    return socket.family == gone.family && socket.port == port && std::memcmp(socket.address, gone.address, 16) == 0;
  });
}

void FakeView::BindUdp(uid_t uid, const std::string& address, int port) {
  std::lock_guard<std::mutex> guard(lock_);
  udp_.push_back(ListedSocket(address, port, uid, ++lastInode_, false));
}

unsigned long FakeView::ConnectUdp(uid_t uid, const std::string& address, int port, const std::string& remote,
                                   int remotePort) {
  ProcSocket socket = ListedSocket(address, port, uid, 0, false);
  inet_pton(socket.family, remote.c_str(), socket.remoteAddress);
  socket.remotePort = remotePort;
  std::lock_guard<std::mutex> guard(lock_);
  socket.inode = ++lastInode_;
  udp_.push_back(socket);
  return socket.inode;
}

void FakeView::CloseUdp(unsigned long inode) {
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(udp_, [&](const ProcSocket& socket) { return socket.inode == inode; });
}

void FakeView::Open(int fd, uid_t uid, const std::string& address, int port) {
  std::lock_guard<std::mutex> guard(lock_);
  udp_.push_back(ListedSocket(address, port, uid, InodeOf(fd), false));
}

void FakeView::Close(int fd) {
  const unsigned long inode = InodeOf(fd);
  close(fd);
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(udp_, [&](const ProcSocket& socket) { return socket.inode == inode; });
}

void FakeView::Run(long pid, uid_t uid, const std::string& identity) {
  std::lock_guard<std::mutex> guard(lock_);
  processes_[pid] = {uid, identity};
}

int FakeView::Looks() {
  std::lock_guard<std::mutex> guard(lock_);
  return looks_;
}

bool FakeCgroups::Create(uid_t uid, bool& created, std::string&) {
  std::lock_guard<std::mutex> guard(lock_);
  created = cgroups_.count(uid) == 0;
  if (created) cgroups_[uid] = {};
  return true;
}

bool FakeCgroups::Move(uid_t uid, long pid, std::string& error) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = cgroups_.find(uid);
  if (found == cgroups_.end()) {
    error = "no cgroup";
    return false;
  }
  found->second.insert(pid);
  return true;
}

bool FakeCgroups::Populated(uid_t uid) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = cgroups_.find(uid);
  return found != cgroups_.end() && !found->second.empty();
}

bool FakeCgroups::Remove(uid_t uid) {
  std::lock_guard<std::mutex> guard(lock_);
  cgroups_.erase(uid);
  return true;
}

std::vector<uid_t> FakeCgroups::Existing() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<uid_t> uids;
  for (const auto& entry : cgroups_) uids.push_back(entry.first);
  return uids;
}

bool FakeCgroups::Exists(uid_t uid) {
  std::lock_guard<std::mutex> guard(lock_);
  return cgroups_.count(uid) != 0;
}

std::set<long> FakeCgroups::Members(uid_t uid) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto found = cgroups_.find(uid);
  return found == cgroups_.end() ? std::set<long>() : found->second;
}

void FakeCgroups::Leave(uid_t uid, std::set<long> members) {
  std::lock_guard<std::mutex> guard(lock_);
  cgroups_[uid] = std::move(members);
}

void FakeCgroups::Empty(uid_t uid) {
  std::lock_guard<std::mutex> guard(lock_);
  cgroups_[uid].clear();
}

void FakeCgroups::Delete(uid_t uid) {
  std::lock_guard<std::mutex> guard(lock_);
  cgroups_.erase(uid);
}

int FakeSockets::Listener(const RedirectEndpoint& local, uid_t owner, std::string&) {
  std::lock_guard<std::mutex> guard(lock_);
  made_.push_back("listener " + local.address + " " + std::to_string(local.port) + " for " + std::to_string(owner));
  return socket(local.family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

int FakeSockets::Reply(const RedirectEndpoint& remote, const RedirectEndpoint& game, uid_t owner, std::string&) {
  std::lock_guard<std::mutex> guard(lock_);
  made_.push_back("reply " + remote.address + " to " + game.address + " for " + std::to_string(owner));
  return socket(remote.family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

std::vector<std::string> FakeSockets::Made() {
  std::lock_guard<std::mutex> guard(lock_);
  return made_;
}

namespace {

std::string Text(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

std::string RouteKey(const sockaddr_in& game, const sockaddr_in& remote) { return Text(game) + ">" + Text(remote); }

}  // namespace

bool FakeKernelPath::Add(const UdpKernelRoute& route, std::string& error) {
  std::lock_guard<std::mutex> guard(lock_);
  if (failAdd_) {
    error = "no BPF here";
    return false;
  }
  routes_[RouteKey(route.game, route.remote)] = route;
  return true;
}

bool FakeKernelPath::Remove(const sockaddr_in& game, const sockaddr_in& remote) {
  std::lock_guard<std::mutex> guard(lock_);
  return routes_.erase(RouteKey(game, remote)) != 0;
}

bool FakeKernelPath::Counters(const sockaddr_in& game, const sockaddr_in& remote, UdpKernelCounters& counters) {
  std::lock_guard<std::mutex> guard(lock_);
  const std::string key = RouteKey(game, remote);
  if (routes_.count(key) == 0) return false;
  counters = carried_[key];
  return true;
}

bool FakeKernelPath::DeviceTo(const sockaddr_in&, const sockaddr_in& relay, unsigned& ifindex, std::string&) {
  // The relays of the tests are on this machine, but for 198.18.8.0/24.
  ifindex = (ntohl(relay.sin_addr.s_addr) >> 8) == ((198u << 16) | (18u << 8) | 8u) ? 7 : 0;
  return true;
}

void FakeKernelPath::FollowDevices(std::vector<std::string>& changes) {
  std::lock_guard<std::mutex> guard(lock_);
  ++follows_;
  changes.insert(changes.end(), moves_.begin(), moves_.end());
  moves_.clear();
}

void FakeKernelPath::MoveDevice(const std::string& change) {
  std::lock_guard<std::mutex> guard(lock_);
  moves_.push_back(change);
}

int FakeKernelPath::follows() {
  std::lock_guard<std::mutex> guard(lock_);
  return follows_;
}

std::vector<std::string> FakeKernelPath::Routes() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::string> routes;
  for (const auto& [key, route] : routes_) {
    routes.push_back(key + " via " + Text(route.association) + ">" + Text(route.relay) + " " + std::to_string(route.mark) +
                     (route.ifindex != 0 ? " dev " + std::to_string(route.ifindex) : ""));
  }
  return routes;
}

void FakeKernelPath::Carried(const std::string& gameAndRemote, const UdpKernelCounters& counters) {
  std::lock_guard<std::mutex> guard(lock_);
  carried_[gameAndRemote] = counters;
}

void FakeKernelPath::FailAdd(bool fail) {
  std::lock_guard<std::mutex> guard(lock_);
  failAdd_ = fail;
}
