// "local.exe", the local proxy. Started by the front end with one argument,
// the encoded launch record. Listens on 127.0.0.1 at the record's main port
// (TCP: SOCKS5 clients and redirected connections; UDP: redirected
// datagrams) and carries everything through the record's line server.
//
// Exit codes: 0 after SIGTERM or SIGINT; 2 for a refused command line or
// launch record; 1 when the port cannot be opened or the loop cannot start.

#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/local/EventLoop.h"
#include "outside/local/ProxyServer.h"
#include "outside/local/StatusPublisher.h"
#include "outside/local/TransparentUdp.h"

#include <arpa/inet.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>

namespace {

// Hundreds of connections need two descriptors each.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

LineSettings LineOf(const LaunchRecord& record) {
  LineSettings line;
  in_addr address{};
  inet_pton(AF_INET, record.serverAddress.c_str(), &address);
  line.server.type = SocksAddress::kIpv4;
  line.server.host.assign(reinterpret_cast<const char*>(&address), 4);
  line.server.port = static_cast<std::uint16_t>(record.serverPort);
  line.user = std::to_string(record.fixedNumber);
  line.password = record.password;
  return line;
}

// What the line does not carry: its listeners close, so the redirection
// service lets that traffic flow directly.
class ClosingLineLimits final : public ILineLimits {
 public:
  explicit ClosingLineLimits(TransparentUdp*& udp) : udp_(udp) {}
  void UdpRefused(const std::string& why) override {
    std::fprintf(stderr, "local.exe: the line does not carry UDP (%s); the games' UDP flows directly\n", why.c_str());
    for (int family : {AF_INET, AF_INET6}) udp_->Close(family);
  }
  void Ipv6Refused(const std::string&) override { udp_->Close(AF_INET6); }

 private:
  TransparentUdp*& udp_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "local.exe: expected exactly one argument, the launch record\n");
    return 2;
  }
  LaunchRecord record;
  const LaunchRecordError error = DecodeLaunchRecord(argv[1], record);
  if (error != LaunchRecordError::kNone) {
    std::fprintf(stderr, "local.exe: refusing the launch record: %s\n", LaunchRecordErrorText(error));
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  RaiseDescriptorLimit();

  EventLoop loop;
  if (!loop.Init()) {
    std::fprintf(stderr, "local.exe: cannot start the event loop: %s\n", std::strerror(errno));
    return 1;
  }
  // What the proxy carries right now, as its status interface tells it.
  ProxyCounters counters;
  ProxyServer server(loop, LineOf(record), counters);
  std::string listenError;
  if (!server.Listen(record.mainPort, listenError)) {
    std::fprintf(stderr, "local.exe: %s\n", listenError.c_str());
    return 1;
  }
  // Redirected UDP arrives on a transparent socket the redirection service
  // makes for us; without it the proxy carries TCP only.
  TransparentUdp* udpSide = nullptr;
  ClosingLineLimits limits(udpSide);
  TransparentUdp udp(loop, server.line(), counters, limits);
  udpSide = &udp;
  for (int family : {AF_INET, AF_INET6}) {
    if (!udp.Listen(family, record.mainPort, listenError)) std::fprintf(stderr, "local.exe: %s; UDP is not carried\n", listenError.c_str());
  }
  // The status interface for the front end and "brisgol-run --status";
  // the proxy carries traffic without it.
  StatusPublisher status(loop, counters, StatusIdentity{record.serverAddress, record.serverPort, record.mainPort});
  if (!status.OpenForUser(listenError)) std::fprintf(stderr, "local.exe: no status interface: %s\n", listenError.c_str());
  loop.SetTick([&server, &udp] {
    server.Tick();
    udp.Tick();
  });
  loop.Run();
  server.Shutdown();
  return 0;
}
