// "local.exe", the local proxy. Started by the front end with one argument,
// the encoded launch record. Checks the record's line server first; then
// listens on 127.0.0.1 and [::1] at the record's main port (TCP: SOCKS5
// clients and redirected connections; UDP: redirected datagrams) and
// carries everything through the line server, which it checks every two
// seconds. With main port 0 (the front end's start failed before choosing
// a port) it carries nothing and only waits. It ends with its front end.
//
// Exit codes: 0 after SIGTERM or SIGINT, or when the front end ended; 2
// for a refused command line or launch record; 1 when the port cannot be
// opened or the loop cannot start; 3 when the line server cannot be
// reached or refuses the login at the start; 4 when it has failed every
// check for ten seconds while running; 5 when started among the programs
// the redirect covers.

#include "outside/launchrecord/LaunchRecordCodec.h"
#include "outside/local/CoveredRefusal.h"
#include "outside/local/EventLoop.h"
#include "outside/local/FrontEndWatch.h"
#include "outside/local/LineMonitor.h"
#include "outside/local/ListenerLimits.h"
#include "outside/local/ProxyServer.h"
#include "outside/local/StatusPublisher.h"
#include "outside/local/TransparentUdp.h"
#include "outside/local/UdpKernelClient.h"

#include <arpa/inet.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kExitLineUnreachable = 3;
constexpr int kExitLineLost = 4;
constexpr int kExitCovered = 5;

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

std::string LineName(const LaunchRecord& record) {
  return record.serverAddress + ":" + std::to_string(record.serverPort);
}

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
  std::string covered;
  if (RunsCovered(covered)) {
    std::fprintf(stderr, "local.exe: refusing to run: %s; its own line connections would be redirected into itself\n",
                 covered.c_str());
    return kExitCovered;
  }
  signal(SIGPIPE, SIG_IGN);
  RaiseDescriptorLimit();

  EventLoop loop;
  if (!loop.Init()) {
    std::fprintf(stderr, "local.exe: cannot start the event loop: %s\n", std::strerror(errno));
    return 1;
  }
  int exitCode = 0;
  FrontEndWatch frontEnd(loop, [&loop] {
    std::fprintf(stderr, "local.exe: the front end has ended; ending too\n");
    loop.Stop();
  });
  std::string watchError;
  if (!frontEnd.Watch(static_cast<pid_t>(record.frontEndPid), watchError)) {
    if (errno == ESRCH) {
      std::fprintf(stderr, "local.exe: the front end (process %ld) is gone; nothing to do\n", record.frontEndPid);
      return 0;
    }
    std::fprintf(stderr, "local.exe: %s; running until ended\n", watchError.c_str());
  }
  if (record.mainPort == 0) {
    // The front end reports its own failure; this copy only has to be
    // there when it looks.
    std::fprintf(stderr, "local.exe: main port 0: carrying nothing until ended\n");
    loop.Run();
    return 0;
  }

  // What the proxy carries right now, as its status interface tells it.
  ProxyCounters counters;
  const LineSettings line = LineOf(record);
  // What the line does not carry closes the listeners it would come in by.
  ListenerLimits limits;
  LineMonitor monitor(loop, line, counters, [&](const std::string& why) {
    std::fprintf(stderr, "local.exe: the line server %s has failed every check for %lld s (%s); ending\n",
                 LineName(record).c_str(), static_cast<long long>(LineMonitor::kGiveUpAfter.count()), why.c_str());
    exitCode = kExitLineLost;
    loop.Stop();
  });
  bool checked = false;
  LineCheckResult first;
  monitor.CheckAtStart([&](const LineCheckResult& result) {
    first = result;
    checked = true;
    loop.Stop();
  });
  // Answered mostly before the listeners open (the games' IPv6 is then
  // refused from the start, so they use IPv4), else as soon as it is.
  monitor.AskIpv6([&limits](const std::string& why) { limits.Ipv6Refused(why); });
  loop.Run();
  if (!checked) return 0;
  if (!first.passed) {
    std::fprintf(stderr, "local.exe: cannot use the line server %s: %s\n", LineName(record).c_str(), first.reason.c_str());
    return kExitLineUnreachable;
  }

  ProxyServer server(loop, line, counters, limits);
  limits.Govern(server);
  std::string listenError;
  std::string ipv6Error;
  if (!server.Listen(record.mainPort, listenError, ipv6Error)) {
    std::fprintf(stderr, "local.exe: %s\n", listenError.c_str());
    return 1;
  }
  if (!ipv6Error.empty()) std::fprintf(stderr, "local.exe: %s; IPv6 is not carried\n", ipv6Error.c_str());
  if (limits.ipv6Refused()) server.CloseIpv6();
  // Redirected UDP arrives on a transparent socket the redirection service
  // makes for us; without it, or when the line refuses UDP, the proxy
  // carries TCP only and the games' UDP flows directly.
  ServiceUdpKernelClient kernel;
  TransparentUdp udp(loop, server.line(), counters, limits, kernel);
  limits.Govern(udp);
  if (first.refused) {
    limits.UdpRefused(first.reason);
  } else {
    for (int family : {AF_INET, AF_INET6}) {
      if (family == AF_INET6 && limits.ipv6Refused()) continue;
      if (!udp.Listen(family, record.mainPort, listenError))
        std::fprintf(stderr, "local.exe: %s; UDP is not carried\n", listenError.c_str());
    }
  }
  // The status interface for the front end and "brisgol-run --status";
  // the proxy carries traffic without it.
  StatusPublisher status(loop, counters, StatusIdentity{record.serverAddress, record.serverPort, record.mainPort});
  if (!status.OpenForUser(listenError)) std::fprintf(stderr, "local.exe: no status interface: %s\n", listenError.c_str());
  loop.SetTick([&server, &udp, &monitor] {
    server.Tick();
    udp.Tick();
    monitor.Tick();
  });
  loop.Run();
  server.Shutdown();
  return exitCode;
}
