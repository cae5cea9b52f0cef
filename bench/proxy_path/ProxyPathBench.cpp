// Compares, on loopback, the path a game's traffic takes through local.exe
// and a line server (dante) with a direct connection and with the same two
// hops built from two plain socat TCP relays:
//   - throughput of one bulk stream (MB/s),
//   - round-trip latency of small request/response exchanges (p50, p99),
//   - the time from launching local.exe to its port accepting.
// Needs root (the line server authenticates a system user), danted and
// socat. Prints its figures; asserts nothing.
//
//   proxy_path_bench [megabytes] [round trips]

#include "tests/outside/support/ChildProcess.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/outside/support/SocksTestClient.h"
#include "tests/outside/support/TestServers.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct PathFigures {
  double megabytesPerSecond = 0;
  double p50Microseconds = 0;
  double p99Microseconds = 0;
};

// Opens a connection to a target server along one path; -1 on failure.
using Opener = std::function<int(int targetPort)>;

double BulkThroughput(const Opener& open, int sinkPort, std::size_t megabytes) {
  const int fd = open(sinkPort);
  if (fd < 0) return 0;
  const std::string chunk(64 * 1024, 'b');
  const std::size_t chunks = megabytes * 1024 * 1024 / chunk.size();
  const auto start = Clock::now();
  for (std::size_t i = 0; i < chunks; ++i) {
    if (!SendAll(fd, chunk)) {
      close(fd);
      return 0;
    }
  }
  shutdown(fd, SHUT_WR);
  std::string ack;
  const bool acknowledged = ReceiveExactly(fd, 1, ack);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  close(fd);
  return acknowledged ? static_cast<double>(chunks * chunk.size()) / (1024.0 * 1024.0) / seconds : 0;
}

// count round trips of 32 bytes on an open connection, in microseconds.
bool RoundTrips(int fd, int count, std::vector<double>& samples) {
  const std::string request(32, 'r');
  std::string answer;
  for (int i = 0; i < count; ++i) {
    const auto start = Clock::now();
    if (!SendAll(fd, request) || !ReceiveExactly(fd, request.size(), answer)) return false;
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return true;
}

// Measures all paths in turns, so that whatever else the machine does
// falls on each of them alike: the median of three bulk streams each, and
// the round trips in slices of a tenth.
std::vector<PathFigures> MeasureInTurns(const std::vector<Opener>& paths, int echoPort, int sinkPort,
                                        std::size_t megabytes, int roundTrips) {
  std::vector<PathFigures> figures(paths.size());
  std::vector<std::vector<double>> throughputs(paths.size());
  for (int turn = 0; turn < 3; ++turn) {
    for (std::size_t p = 0; p < paths.size(); ++p) throughputs[p].push_back(BulkThroughput(paths[p], sinkPort, megabytes));
  }
  std::vector<int> connections;
  std::vector<std::vector<double>> samples(paths.size());
  for (const Opener& open : paths) {
    connections.push_back(open(echoPort));
    std::vector<double> warmUp;
    if (connections.back() >= 0) RoundTrips(connections.back(), 100, warmUp);
  }
  for (int slice = 0; slice < 10; ++slice) {
    for (std::size_t p = 0; p < paths.size(); ++p) {
      if (connections[p] >= 0) RoundTrips(connections[p], roundTrips / 10, samples[p]);
    }
  }
  for (std::size_t p = 0; p < paths.size(); ++p) {
    if (connections[p] >= 0) close(connections[p]);
    std::sort(throughputs[p].begin(), throughputs[p].end());
    figures[p].megabytesPerSecond = throughputs[p][1];
    std::sort(samples[p].begin(), samples[p].end());
    if (samples[p].empty()) continue;
    figures[p].p50Microseconds = samples[p][samples[p].size() / 2];
    figures[p].p99Microseconds = samples[p][std::min(samples[p].size() - 1, samples[p].size() * 99 / 100)];
  }
  return figures;
}

// Two socat relays in a row in front of targetPort; returns the first
// relay's port.
int SocatChain(int targetPort, std::vector<std::unique_ptr<ChildProcess>>& relays) {
  int next = targetPort;
  for (int hop = 0; hop < 2; ++hop) {
    const int port = FreeLoopbackPort();
    auto relay = std::make_unique<ChildProcess>();
    relay->Start({"socat", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
                  "TCP:127.0.0.1:" + std::to_string(next)});
    if (!WaitForTcpPort(port, std::chrono::seconds(5))) return -1;
    relays.push_back(std::move(relay));
    next = port;
  }
  return next;
}

void PrintRow(const char* name, const PathFigures& figures) {
  std::printf("%-26s %10.1f MB/s   p50 %8.1f us   p99 %8.1f us\n", name, figures.megabytesPerSecond,
              figures.p50Microseconds, figures.p99Microseconds);
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 128;
  const int roundTrips = argc > 2 ? std::atoi(argv[2]) : 5000;

  const auto dir = std::filesystem::temp_directory_path() / ("proxy_path_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TcpTestServer echo(TcpTestServer::Mode::kEcho);
  TcpTestServer sink(TcpTestServer::Mode::kSink);
  LineServer line(dir);
  std::string why;
  if (!line.Start(FreeLoopbackPort(), why)) {
    std::fprintf(stderr, "proxy_path_bench: no line server: %s\n", why.c_str());
    std::filesystem::remove_all(dir);
    return 1;
  }

  // Launch to accepting, a few times.
  std::vector<double> launches;
  for (int i = 0; i < 5; ++i) {
    LocalProxyProcess probe;
    const LaunchRecord record = TestLaunchRecord(line.port(), FreeLoopbackPort());
    const auto start = Clock::now();
    if (!probe.Start(record, "")) continue;
    launches.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    probe.process().Stop(SIGTERM, std::chrono::seconds(3));
  }
  std::sort(launches.begin(), launches.end());

  LocalProxyProcess proxy;
  const LaunchRecord record = TestLaunchRecord(line.port(), FreeLoopbackPort());
  if (!proxy.Start(record, (dir / "local.out").string())) {
    std::fprintf(stderr, "proxy_path_bench: local.exe did not start\n");
    std::filesystem::remove_all(dir);
    return 1;
  }
  std::vector<std::unique_ptr<ChildProcess>> relays;
  const int socatEcho = SocatChain(echo.port(), relays);
  const int socatSink = SocatChain(sink.port(), relays);
  if (socatEcho < 0 || socatSink < 0) {
    std::fprintf(stderr, "proxy_path_bench: socat relays did not start (package socat)\n");
    std::filesystem::remove_all(dir);
    return 1;
  }

  const Opener direct = [](int port) { return ConnectLoopback(port, 10000); };
  const Opener throughProxy = [&](int port) {
    int reply = -1;
    return SocksConnect(record.mainPort, "127.0.0.1", port, reply);
  };
  const Opener throughSocat = [&](int port) { return ConnectLoopback(port == echo.port() ? socatEcho : socatSink, 10000); };

  std::printf("proxy path benchmark: %zu MB bulk stream (median of 3), %d round trips of 32 bytes, loopback\n",
              megabytes,
              roundTrips);
  const std::vector<PathFigures> figures =
      MeasureInTurns({direct, throughProxy, throughSocat}, echo.port(), sink.port(), megabytes, roundTrips);
  const PathFigures& directFigures = figures[0];
  const PathFigures& proxyFigures = figures[1];
  const PathFigures& socatFigures = figures[2];
  PrintRow("direct", directFigures);
  PrintRow("local.exe + line server", proxyFigures);
  PrintRow("socat + socat", socatFigures);
  std::printf("proxy / socat: throughput %.2fx (goal >= 1), latency p50 %.2fx p99 %.2fx (goal <= 1.5)\n",
              Ratio(proxyFigures.megabytesPerSecond, socatFigures.megabytesPerSecond),
              Ratio(proxyFigures.p50Microseconds, socatFigures.p50Microseconds),
              Ratio(proxyFigures.p99Microseconds, socatFigures.p99Microseconds));
  std::printf("proxy / direct: throughput %.2fx, latency p50 %.2fx\n",
              Ratio(proxyFigures.megabytesPerSecond, directFigures.megabytesPerSecond),
              Ratio(proxyFigures.p50Microseconds, directFigures.p50Microseconds));
  if (!launches.empty()) {
    std::printf("local.exe launch to accepting: median %.1f ms, worst %.1f ms (%zu launches)\n",
                launches[launches.size() / 2], launches.back(), launches.size());
  }

  for (auto& relay : relays) relay->Stop(SIGTERM, std::chrono::seconds(3));
  proxy.process().Stop(SIGTERM, std::chrono::seconds(3));
  line.Stop();
  std::filesystem::remove_all(dir);
  return 0;
}
