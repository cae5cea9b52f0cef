// The path a game started with brisgol-run takes when accelerated: the
// redirection service's rules, local.exe (TCP by redirect, UDP by tproxy
// to the transparent sockets the service hands it, a steady exchange then
// by the kernel's share of the service)
// and a line server (dante), to a game server inside a network namespace
// on 198.18.9.0/29. Against the same traffic sent directly and through two
// socat relays in a row (the same number of hops), the UDP paths measured
// in turns so that each meets the machine in the same state:
//   - UDP round trips of 64-byte datagrams (p50, p99), also through a
//     SOCKS5 UDP association straight to the line server (the one-hop
//     floor the proxy adds its own hop to), and through that association
//     behind the barest user-space relay there is (what one more hop on
//     loopback costs on this machine, whoever makes it),
//   - the first datagram of a new game socket (the association's set-up),
//     beside the line's login alone,
//   - TCP throughput of one bulk stream (MB/s).
// Needs root, nftables, danted and socat. Prints its figures; asserts
// nothing.
//
//   redirect_bench [round trips] [megabytes]

#include "outside/local/Socks5.h"
#include "outside/local/UpstreamClient.h"
#include "outside/redirect/DescriptorPassing.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"
#include "tests/outside/support/ChildProcess.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/SocksTestClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kHost[] = "198.18.9.1";
constexpr char kGame[] = "198.18.9.2";
constexpr char kLine[] = "198.18.9.3";
constexpr int kEchoPort = 7777;
constexpr int kSinkPort = 7778;

bool Sh(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

sockaddr_in Address(const char* host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, host, &address.sin_addr);
  return address;
}

// The game server, run in the namespace by a forked child: UDP echo on
// kEchoPort, and a TCP sink on kSinkPort that answers one byte at the end
// of each stream.
pid_t StartGameServer(const std::string& ns) {
  const pid_t child = fork();
  if (child != 0) return child;
  setpgid(0, 0);  // the echo and the sink end together
  const int nsFd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
  if (nsFd < 0 || setns(nsFd, CLONE_NEWNET) != 0) _exit(1);
  if (fork() == 0) {
    const int udp = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = Address(kGame, kEchoPort);
    if (bind(udp, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) _exit(1);
    char buffer[65536];
    for (;;) {
      sockaddr_in peer{};
      socklen_t length = sizeof peer;
      const ssize_t got = recvfrom(udp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&peer), &length);
      if (got >= 0) sendto(udp, buffer, static_cast<std::size_t>(got), 0, reinterpret_cast<sockaddr*>(&peer), length);
    }
  }
  const int tcp = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(tcp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in address = Address(kGame, kSinkPort);
  if (bind(tcp, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(tcp, 16) != 0) _exit(1);
  for (;;) {
    const int fd = accept(tcp, nullptr, nullptr);
    if (fd < 0) continue;
    static char buffer[256 * 1024];
    while (recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    send(fd, "k", 1, MSG_NOSIGNAL);
    close(fd);
  }
}

class BenchNetwork {
 public:
  bool Create() {
    if (!Sh("ip netns add " + ns_) || !Sh("ip link add " + host_ + " type veth peer name " + peer_) ||
        !Sh("ip link set " + peer_ + " netns " + ns_) || !Sh("ip addr add " + std::string(kHost) + "/29 dev " + host_) ||
        !Sh("ip addr add " + std::string(kLine) + "/29 dev " + host_) || !Sh("ip link set " + host_ + " up") ||
        !Sh(In() + "ip addr add " + kGame + "/29 dev " + peer_) || !Sh(In() + "ip link set " + peer_ + " up") ||
        !Sh(In() + "ip link set lo up") || !Sh(In() + "ip route add default via " + kHost))
      return false;
    server_ = StartGameServer(ns_);
    return server_ > 0;
  }
  ~BenchNetwork() {
    if (server_ > 0) {
      kill(-server_, SIGKILL);
      waitpid(server_, nullptr, 0);
    }
    Sh("ip link del " + host_);
    Sh("ip netns del " + ns_);
  }
  const std::string& ns() const { return ns_; }

 private:
  std::string In() const { return "ip netns exec " + ns_ + " "; }
  std::string ns_ = "bgbench" + std::to_string(getpid());
  std::string host_ = "bbh" + std::to_string(getpid());
  std::string peer_ = "bbg" + std::to_string(getpid());
  pid_t server_ = -1;
};

// A UDP and a TCP socket made as a program started with brisgol-run makes
// them: by a child that joined our cgroup (a socket keeps the cgroup it
// was made in) and handed them back. False when the service refused.
bool CoveredSockets(int& udp, int& tcp) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(pair[0]);
    RedirectRequest join;
    join.command = RedirectRequest::Command::kJoin;
    join.pid = getpid();
    std::string error;
    if (!AskRedirectService(join, error)) _exit(1);
    SendWithDescriptor(pair[1], "udp\n", socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    SendWithDescriptor(pair[1], "tcp\n", socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    _exit(0);
  }
  close(pair[1]);
  std::string line;
  const bool received = ReceiveLineWithDescriptor(pair[0], 8, 2000, line, udp) && udp >= 0 &&
                        ReceiveLineWithDescriptor(pair[0], 8, 2000, line, tcp) && tcp >= 0;
  close(pair[0]);
  waitpid(child, nullptr, 0);
  return received;
}

struct Latency {
  double p50 = 0, p99 = 0;
  int lost = 0;
};

Latency Percentiles(std::vector<double> samples, int lost) {
  Latency figures;
  figures.lost = lost;
  if (samples.empty()) return figures;
  std::sort(samples.begin(), samples.end());
  figures.p50 = samples[samples.size() / 2];
  figures.p99 = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
  return figures;
}

// One UDP path of the comparison: its socket, where its datagrams go and
// what goes in front of each payload (a SOCKS5 UDP header on the paths
// that talk to the line's relay themselves; the answers carry one of the
// same size), and its round trips so far.
struct UdpPath {
  const char* name;
  int fd = -1;
  sockaddr_in to{};
  std::string header;
  std::vector<double> samples;
  int lost = 0;
};

// One round trip of a 64-byte payload numbered i; a path that has stopped
// answering is not waited for a second at a time to the end.
void RoundTrip(UdpPath& path, int i) {
  if (path.lost >= 10 && path.samples.empty()) {
    ++path.lost;
    return;
  }
  std::string datagram = path.header + std::string(64, '\0');
  std::memcpy(datagram.data() + path.header.size(), &i, sizeof i);
  char answer[256];
  const auto start = Clock::now();
  sendto(path.fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&path.to), sizeof path.to);
  pollfd ready{path.fd, POLLIN, 0};
  while (poll(&ready, 1, 1000) == 1) {
    if (recv(path.fd, answer, sizeof answer, 0) == static_cast<ssize_t>(datagram.size()) &&
        std::memcmp(answer + path.header.size(), &i, sizeof i) == 0) {
      path.samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      return;
    }
  }
  ++path.lost;
}

// A SOCKS5 UDP association with the line server at 127.0.0.1:linePort, as
// local.exe opens it: the control connection (keep it open) and the relay.
int LineAssociation(int linePort, sockaddr_in& relay) {
  const int control = ConnectLoopback(linePort);
  if (control < 0) return -1;
  SocksAddress any;
  any.host.assign(4, '\0');
  UpstreamHandshake handshake(kLineUser, kLinePassword, socks5::kCommandUdpAssociate, any);
  ByteQueue input;
  std::string output = handshake.Greeting();
  for (;;) {
    if (!output.empty() && !SendAll(control, output)) break;
    char buffer[512];
    const ssize_t got = recv(control, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    input.Append(reinterpret_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(got));
    const UpstreamHandshake::Step step = handshake.OnInput(input, output);
    if (step == UpstreamHandshake::Step::kFailed) break;
    if (step == UpstreamHandshake::Step::kNeedMore) output.clear();
    if (step != UpstreamHandshake::Step::kDone) continue;
    sockaddr_storage address{};
    socklen_t length = 0;
    const SocksAddress bound = handshake.UdpRelay(SocksAddress::FromSockaddr(Address("127.0.0.1", linePort)));
    if (!bound.ToSockaddr(address, length) || address.ss_family != AF_INET) break;
    std::memcpy(&relay, &address, sizeof relay);
    return control;
  }
  close(control);
  return -1;
}

// The barest UDP relay: a forked child forwarding what 127.0.0.1:port
// receives to target and the answers back to whoever sent last, one
// datagram per system call, nothing looked at. Its port; kill the child.
int BareRelay(const sockaddr_in& target, pid_t& child) {
  const int port = FreeLoopbackPort();
  child = fork();
  if (child != 0) return port;
  const int in = socket(AF_INET, SOCK_DGRAM, 0);
  const int up = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in own = Address("127.0.0.1", port);
  const int ep = epoll_create1(0);
  epoll_event watch{};
  watch.events = EPOLLIN;
  if (bind(in, reinterpret_cast<const sockaddr*>(&own), sizeof own) != 0 ||
      connect(up, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0)
    _exit(1);
  for (int fd : {in, up}) {
    watch.data.fd = fd;
    epoll_ctl(ep, EPOLL_CTL_ADD, fd, &watch);
  }
  sockaddr_in client{};
  char datagram[2048];
  for (;;) {
    epoll_event ready[2];
    const int count = epoll_wait(ep, ready, 2, -1);
    for (int i = 0; i < count; ++i) {
      if (ready[i].data.fd == in) {
        socklen_t length = sizeof client;
        const ssize_t got = recvfrom(in, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&client), &length);
        if (got >= 0) send(up, datagram, static_cast<std::size_t>(got), 0);
      } else {
        const ssize_t got = recv(up, datagram, sizeof datagram, 0);
        if (got >= 0)
          sendto(in, datagram, static_cast<std::size_t>(got), 0, reinterpret_cast<const sockaddr*>(&client), sizeof client);
      }
    }
  }
}

// The line's own part of a new association: greeting, login and UDP
// ASSOCIATE answered, count times.
Latency LineLogins(int linePort, int count) {
  std::vector<double> samples;
  int lost = 0;
  for (int i = 0; i < count; ++i) {
    sockaddr_in relay{};
    const auto start = Clock::now();
    const int control = LineAssociation(linePort, relay);
    if (control < 0) {
      ++lost;
      continue;
    }
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    close(control);
  }
  return Percentiles(std::move(samples), lost);
}

double TcpThroughput(int fd, const sockaddr_in& target, std::size_t megabytes) {
  if (connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) return 0;
  const std::string chunk(64 * 1024, 'b');
  const auto start = Clock::now();
  for (std::size_t i = 0; i < megabytes * 16; ++i)
    if (!SendAll(fd, chunk)) return 0;
  shutdown(fd, SHUT_WR);
  std::string ack;
  if (!ReceiveExactly(fd, 1, ack)) return 0;
  return static_cast<double>(megabytes) / std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time process pid has used so far, in microseconds.
double CpuMicros(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/schedstat");
  double nanoseconds = 0;
  stat >> nanoseconds;
  return nanoseconds / 1000;
}

bool AskService(const RedirectRequest& request) {
  std::string error;
  return AskRedirectService(request, error);
}

// Two socat relays in a row on loopback in front of target; the first
// relay's port.
int SocatChain(const std::string& protocol, const char* host, int port, std::vector<std::unique_ptr<ChildProcess>>& relays) {
  const int first = FreeLoopbackPort();
  const int second = FreeLoopbackPort();
  const std::string listen = protocol == "udp" ? "UDP4-LISTEN:" : "TCP4-LISTEN:";
  const std::string connect = protocol == "udp" ? "UDP4:" : "TCP4:";
  for (auto [from, to] : {std::pair<int, std::string>{second, std::string(host) + ":" + std::to_string(port)},
                          std::pair<int, std::string>{first, "127.0.0.1:" + std::to_string(second)}}) {
    relays.push_back(std::make_unique<ChildProcess>());
    relays.back()->Start({"socat", listen + std::to_string(from) + ",bind=127.0.0.1,reuseaddr,fork", connect + to});
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return first;
}

void Print(const char* name, const Latency& latency, double megabytesPerSecond) {
  std::printf("%-34s UDP 64 B p50 %8.1f us  p99 %8.1f us  lost %3d", name, latency.p50, latency.p99, latency.lost);
  if (megabytesPerSecond >= 0) std::printf("   TCP %8.1f MB/s", megabytesPerSecond);
  std::printf("\n");
}

// The first datagram of each of count new covered game sockets: the time
// to its answer (the association with the line set up on the way).
Latency FirstDatagrams(const sockaddr_in& target, int count) {
  std::vector<double> samples;
  int lost = 0;
  for (int i = 0; i < count; ++i) {
    int udp = -1, tcp = -1;
    if (!CoveredSockets(udp, tcp)) {
      ++lost;
      continue;
    }
    close(tcp);
    char datagram[64] = {};
    char answer[128];
    const auto start = Clock::now();
    sendto(udp, datagram, sizeof datagram, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    pollfd ready{udp, POLLIN, 0};
    if (poll(&ready, 1, 2000) == 1 && recv(udp, answer, sizeof answer, 0) == 64) {
      samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    } else {
      ++lost;
    }
    close(udp);
  }
  return Percentiles(std::move(samples), lost);
}

}  // namespace

int main(int argc, char** argv) {
  const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 2000;
  const std::size_t megabytes = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 256;
  if (geteuid() != 0 || !Sh("nft list tables") || !Sh("command -v danted") || !Sh("command -v socat")) {
    std::printf("redirect_bench: skipped (needs root, nftables, danted and socat)\n");
    return 0;
  }
  if (Sh("ip -o addr show | grep -q '198\\.18\\.9\\.'")) {
    std::printf("redirect_bench: skipped (198.18.9.0/29 is in use on this machine)\n");
    return 0;
  }
  signal(SIGPIPE, SIG_IGN);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("redirect-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  BenchNetwork network;
  if (!network.Create()) {
    std::fprintf(stderr, "redirect_bench: cannot create the test network\n");
    return 1;
  }
  std::string why;
  LineServer line(dir / "line");
  if (!line.Start(FreeLoopbackPort(), why, kLine)) {
    std::fprintf(stderr, "redirect_bench: %s\n", why.c_str());
    return 1;
  }
  // The service first: local.exe asks it for its UDP sockets as it starts.
  StopRedirectService();
  ChildProcess service;
  bool serving = service.Start({ProgramDir() + "/" + kRedirectServiceName});
  for (int i = 0; i < 50 && serving && !AskService(RedirectRequest{}); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const int mainPort = FreeLoopbackPort();
  LocalProxyProcess proxy;
  if (!serving || !proxy.Start(TestLaunchRecord(line.port(), mainPort), (dir / "local.out").string())) {
    std::fprintf(stderr, "redirect_bench: cannot start the redirection service or local.exe\n");
    return 1;
  }
  RedirectRequest add;
  add.command = RedirectRequest::Command::kAdd;
  add.port = mainPort;
  if (!AskService(add)) {
    std::fprintf(stderr, "redirect_bench: the redirection service did not take the rule\n");
    return 1;
  }
  std::vector<std::unique_ptr<ChildProcess>> relays;
  const int socatUdp = SocatChain("udp", kGame, kEchoPort, relays);
  const int socatTcp = SocatChain("tcp", kGame, kSinkPort, relays);

  // The UDP paths, measured in turns (one round trip each, over and over)
  // so that every path meets the machine in the same state: direct; the
  // redirect (a covered game's socket); two socat relays; a SOCKS5 UDP
  // client straight to the line server (the one-hop floor); the same
  // behind a bare relay (an association of its own: the line's relay takes
  // datagrams from one client port only).
  int coveredUdp = -1, coveredTcp = -1;
  if (!CoveredSockets(coveredUdp, coveredTcp)) {
    std::fprintf(stderr, "redirect_bench: the redirection service did not cover the game's sockets\n");
    return 1;
  }
  const std::string header = UdpDatagram(kGame, kEchoPort, "");
  sockaddr_in floorRelay{}, bareLineRelay{};
  const int floorControl = LineAssociation(line.port(), floorRelay);
  const int bareControl = LineAssociation(line.port(), bareLineRelay);
  if (floorControl < 0 || bareControl < 0) {
    std::fprintf(stderr, "redirect_bench: the line server opened no UDP association\n");
    return 1;
  }
  pid_t bare = -1;
  const sockaddr_in bareRelay = Address("127.0.0.1", BareRelay(bareLineRelay, bare));
  if (bare <= 0) {
    std::fprintf(stderr, "redirect_bench: cannot start the bare relay\n");
    return 1;
  }
  enum { kDirect, kRedirect, kSocat, kFloor, kBare };
  std::vector<UdpPath> udp(5);
  udp[kDirect] = {"direct", -1, Address(kGame, kEchoPort), "", {}, 0};
  udp[kRedirect] = {"redirect, local.exe and line", coveredUdp, Address(kGame, kEchoPort), "", {}, 0};
  udp[kSocat] = {"two socat relays", -1, Address("127.0.0.1", socatUdp), "", {}, 0};
  udp[kFloor] = {"SOCKS5 UDP straight to the line", -1, floorRelay, header, {}, 0};
  udp[kBare] = {"  the same behind a bare relay", -1, bareRelay, header, {}, 0};
  for (UdpPath& path : udp)
    if (path.fd < 0) path.fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // A few round trips first: the covered socket's association is set up.
  for (int i = 0; i < 10; ++i)
    for (UdpPath& path : udp) RoundTrip(path, -1 - i);
  for (UdpPath& path : udp) {
    path.samples.clear();
    path.lost = 0;
  }
  const double proxyCpuBefore = CpuMicros(proxy.process().pid()), bareCpuBefore = CpuMicros(bare);
  for (int i = 0; i < roundTrips; ++i)
    for (UdpPath& path : udp) RoundTrip(path, i);
  const double proxyCpu = (CpuMicros(proxy.process().pid()) - proxyCpuBefore) / roundTrips;
  const double bareCpu = (CpuMicros(bare) - bareCpuBefore) / roundTrips;
  kill(bare, SIGKILL);
  waitpid(bare, nullptr, 0);
  close(floorControl);
  close(bareControl);
  std::vector<Latency> latency;
  for (UdpPath& path : udp) {
    latency.push_back(Percentiles(std::move(path.samples), path.lost));
    if (path.fd != coveredUdp) close(path.fd);
  }
  close(coveredUdp);

  // TCP, one bulk stream each.
  const int directTcp = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int socatTcpFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const double tcpDirect = TcpThroughput(directTcp, Address(kGame, kSinkPort), megabytes);
  const double tcpRedirect = TcpThroughput(coveredTcp, Address(kGame, kSinkPort), megabytes);
  const double tcpSocat = TcpThroughput(socatTcpFd, Address("127.0.0.1", socatTcp), megabytes);
  for (int fd : {directTcp, coveredTcp, socatTcpFd}) close(fd);

  std::printf("redirect_bench: %d round trips, %zu MB\n", roundTrips, megabytes);
  const double tcp[] = {tcpDirect, tcpRedirect, tcpSocat, -1, -1};
  for (std::size_t i = 0; i < udp.size(); ++i) Print(udp[i].name, latency[i], tcp[i]);
  const double redirectP50 = latency[kRedirect].p50, socatP50 = latency[kSocat].p50;
  const double floorP50 = latency[kFloor].p50, bareHopP50 = latency[kBare].p50;
  const Latency first = FirstDatagrams(Address(kGame, kEchoPort), 50);
  std::printf("%-34s p50 %8.1f us  p99 %8.1f us  lost %3d\n", "first datagram of a new socket", first.p50, first.p99,
              first.lost);
  const Latency logins = LineLogins(line.port(), 20);
  std::printf("%-34s p50 %8.1f us  p99 %8.1f us  lost %3d\n", "  the line's login alone", logins.p50, logins.p99,
              logins.lost);
  if (socatP50 > 0 && tcpSocat > 0)
    std::printf("redirect / socat: UDP p50 %.2fx (goal 1.2x or less), TCP throughput %.2fx\n", redirectP50 / socatP50,
                tcpRedirect / tcpSocat);
  if (floorP50 > 0)
    std::printf("redirect over the one-hop floor: UDP p50 %+.1f us (goal 15 us or less)\n", redirectP50 - floorP50);
  if (floorP50 > 0 && bareHopP50 > 0)
    std::printf("a bare relay's hop over the same floor: UDP p50 %+.1f us\n", bareHopP50 - floorP50);
  std::printf("processor time a UDP round trip: local.exe %.1f us, the bare relay %.1f us\n", proxyCpu, bareCpu);
  RedirectRequest clear;
  clear.command = RedirectRequest::Command::kClear;
  AskService(clear);
  proxy.process().Stop(SIGTERM, std::chrono::seconds(5));
  service.Stop(SIGTERM, std::chrono::seconds(5));
  StopRedirectService();
  std::filesystem::remove_all(dir);
  return 0;
}
