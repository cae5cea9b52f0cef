// Fuzz target: the requests the redirection service reads from its socket.
// A request that parses must survive a format/parse round trip unchanged,
// and the service must answer any bytes with one well-formed answer line.
#include "outside/redirect/RedirectProtocol.h"
#include "outside/redirect/RedirectService.h"

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr uid_t kUser = 1000;

class NoBackend final : public IRedirectBackend {
 public:
  bool Start(std::string&) override { return true; }
  bool Apply(const UserRuleset&, const UserRuleset*, std::string&) override { return true; }
  bool Remove(const UserRuleset&, std::string&) override { return true; }
  void Stop() override {}
};

// The user's proxy listens on 48080 of both loopbacks, with an association
// socket on 198.18.7.1:40002 connected to a relay, and a game socket on
// 198.18.7.1:40001; process 700 is the user's.
class OneUsersMachine final : public IMachineView {
 public:
  SocketSnapshot TcpListeners() override {
    return SocketSnapshot({Socket(AF_INET, "127.0.0.1", 48080, true), Socket(AF_INET6, "::1", 48080, true)});
  }
  SocketSnapshot UdpSockets() override {
    ProcSocket association = Socket(AF_INET, "198.18.7.1", 40002, false);
    inet_pton(AF_INET, "198.18.7.3", association.remoteAddress);
    association.remotePort = 1080;
    return SocketSnapshot({Socket(AF_INET, "198.18.7.1", 40001, false), association});
  }
  std::string ProcessIdentity(long pid) override { return pid == 700 ? "1" : ""; }
  long ProcessOwner(long pid) override { return pid == 700 ? kUser : -1; }
  bool IsOwnAddress(const RedirectEndpoint& endpoint) override { return endpoint.address == "198.18.7.1"; }

 private:
  static ProcSocket Socket(int family, const char* address, int port, bool listening) {
    ProcSocket socket;
    socket.family = family;
    inet_pton(family, address, socket.address);
    socket.port = port;
    socket.uid = kUser;
    socket.inode = static_cast<unsigned long>(port) + (listening ? 1 : 2);
    socket.state = listening ? kTcpListenState : 7;
    return socket;
  }
};

class NoCgroups final : public ICoveredCgroups {
 public:
  bool Create(uid_t, bool& created, std::string&) override {
    created = false;
    return true;
  }
  bool Move(uid_t, long, std::string&) override { return true; }
  bool Populated(uid_t) override { return false; }
  bool Remove(uid_t) override { return true; }
  std::vector<uid_t> Existing() override { return {}; }
};

class NoSockets final : public ITransparentSockets {
 public:
  int Listener(const RedirectEndpoint&, uid_t, std::string& error) override {
    error = "no sockets here";
    return -1;
  }
  int Reply(const RedirectEndpoint&, const RedirectEndpoint&, uid_t, std::string& error) override {
    error = "no sockets here";
    return -1;
  }
};

// Takes every route: the service's own checks are what is fuzzed.
class AnyKernelPath final : public IUdpKernelPath {
 public:
  bool Add(const UdpKernelRoute&, std::string&) override { return true; }
  bool Remove(const sockaddr_in&, const sockaddr_in&) override { return true; }
  bool Counters(const sockaddr_in&, const sockaddr_in&, UdpKernelCounters&) override { return true; }
  bool DeviceTo(const sockaddr_in&, const sockaddr_in&, unsigned& ifindex, std::string&) override {
    ifindex = 0;
    return true;
  }
  void FollowDevices(std::vector<std::string>&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  RedirectRequest request;
  std::string error;
  if (ParseRedirectRequest(bytes, request, error)) {
    RedirectRequest again;
    if (!ParseRedirectRequest(FormatRedirectRequest(request), again, error) || again.command != request.command ||
        again.port != request.port || again.pid != request.pid || !(again.local == request.local) ||
        !(again.remote == request.remote) || !(again.game == request.game))
      std::abort();
  }
  // The same bytes as the details of what the kernel carried: whatever is
  // taken comes back the same when written again.
  std::vector<KernelRouteSeen> routes, again;
  if (ParseKernelSeen(bytes, routes)) {
    if (!ParseKernelSeen(FormatKernelSeen(routes), again) || again.size() != routes.size()) std::abort();
    for (std::size_t i = 0; i < routes.size(); ++i) {
      if (!(again[i].game == routes[i].game) || !(again[i].remote == routes[i].remote) ||
          again[i].packetsOut != routes[i].packetsOut || again[i].packetsBack != routes[i].packetsBack ||
          again[i].bytesOut != routes[i].bytesOut || again[i].bytesBack != routes[i].bytesBack)
        std::abort();
    }
  }
  NoBackend backend;
  OneUsersMachine view;
  NoCgroups cgroups;
  NoSockets sockets;
  AnyKernelPath kernel;
  RedirectService service({backend, view, cgroups, sockets, kernel}, Coverage{}, [](const std::string&) {});
  const ServiceAnswer answer = service.Handle({kUser, 700}, bytes);
  const std::string& line = answer.line;
  std::string reason;
  if (answer.socket != -1 || line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) std::abort();
  if (!ParseAnswer(line, reason) && line.rfind("ERR ", 0) != 0) std::abort();
  service.Check();
  service.Stop();
  return 0;
}
