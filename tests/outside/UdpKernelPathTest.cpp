// The UDP kernel path in two network namespaces of the test's own: a
// "player" one (loopback with the detour's policy route, the game, the
// association socket) and a "line" one behind a veth pair (a remote relay
// and the game server). A small SOCKS5 UDP relay and an echo server stand
// in for the line and the game server; the game's socket carries the
// detour mark the rules would give it.
#include "outside/redirect/UdpKernelPath.h"

#include "tests/outside/support/ShellCommand.h"
#include "tests/outside/support/TestAddress.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kMark = 0x62770005;
constexpr std::uint32_t kOtherMark = 0x62770006;

sockaddr_in Address(const char* ip, int port) {
  const sockaddr_storage address = TestSocketAddress(ip, port);
  return *reinterpret_cast<const sockaddr_in*>(&address);
}

bool Same(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

int BoundUdp(const sockaddr_in& address) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Enters a named network namespace for the calling thread; leaves it
// again when it ends.
class InNamespace {
 public:
  explicit InNamespace(const std::string& name) {
    home_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    entered_ = home_ >= 0 && target >= 0 && setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) close(target);
  }
  ~InNamespace() {
    if (entered_) setns(home_, CLONE_NEWNET);
    if (home_ >= 0) close(home_);
  }
  InNamespace(const InNamespace&) = delete;
  InNamespace& operator=(const InNamespace&) = delete;
  bool entered() const { return entered_; }

 private:
  int home_ = -1;
  bool entered_ = false;
};

// Runs fd's loop on a thread until the socket is shut down.
class Server {
 public:
  Server(int fd, void (*serve)(int)) : fd_(fd), thread_(serve, fd) {}
  ~Server() {
    shutdown(fd_, SHUT_RDWR);
    thread_.join();
    close(fd_);
  }

 private:
  int fd_;
  std::thread thread_;
};

void Echo(int fd) {
  char buffer[2048];
  for (;;) {
    sockaddr_in from{};
    socklen_t length = sizeof(from);
    const ssize_t n = recvfrom(fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0 || length == 0) return;
    sendto(fd, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr*>(&from), length);
  }
}

// A SOCKS5 UDP relay for one client: what the client sends goes to the
// destination its header names; what comes from elsewhere goes back to
// the client with a header naming the sender.
void Relay(int fd) {
  unsigned char buffer[2048 + 10];
  sockaddr_in client{};
  for (;;) {
    sockaddr_in from{};
    socklen_t length = sizeof(from);
    const ssize_t n = recvfrom(fd, buffer + 10, sizeof(buffer) - 10, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0 || length == 0) return;
    if (client.sin_family == 0 || Same(from, client)) {
      if (n < 10 || buffer[10] != 0 || buffer[11] != 0 || buffer[12] != 0 || buffer[13] != 1) continue;
      client = from;
      sockaddr_in to{};
      to.sin_family = AF_INET;
      std::memcpy(&to.sin_addr, buffer + 14, 4);
      std::memcpy(&to.sin_port, buffer + 18, 2);
      sendto(fd, buffer + 20, static_cast<size_t>(n - 10), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
    } else {
      const unsigned char header[4] = {0, 0, 0, 1};
      std::memcpy(buffer, header, 4);
      std::memcpy(buffer + 4, &from.sin_addr, 4);
      std::memcpy(buffer + 8, &from.sin_port, 2);
      sendto(fd, buffer, static_cast<size_t>(n + 10), 0, reinterpret_cast<sockaddr*>(&client), sizeof(client));
    }
  }
}

std::string Payload(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + size);
  return bytes;
}

// What came back for one datagram, and from where ("" when nothing did).
struct Answer {
  std::string bytes;
  sockaddr_in from{};
  bool arrived = false;
};

Answer SendAndWait(int game, const sockaddr_in& to, const std::string& bytes) {
  Answer answer;
  sendto(game, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
  pollfd ready{game, POLLIN, 0};
  if (poll(&ready, 1, 1000) != 1) return answer;
  char buffer[2048];
  socklen_t length = sizeof(answer.from);
  const ssize_t n = recvfrom(game, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&answer.from), &length);
  if (n < 0) return answer;
  answer.bytes.assign(buffer, static_cast<size_t>(n));
  answer.arrived = true;
  return answer;
}

// One field of a /proc/net/snmp line of the calling thread's namespace.
long SnmpField(const std::string& group, const std::string& field) {
  std::ifstream in("/proc/thread-self/net/snmp");
  std::string names, values;
  while (std::getline(in, names) && std::getline(in, values)) {
    if (names.rfind(group + ":", 0) != 0) continue;
    std::istringstream n(names), v(values);
    std::string name, value;
    while (n >> name && v >> value)
      if (name == field) return std::stol(value);
  }
  return -1;
}

class UdpKernelPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root (BPF and network namespaces)";
    const std::string id = std::to_string(getpid());
    player_ = "bgkp-p" + id;
    line_ = "bgkp-l" + id;
    playerDevice_ = "bgkp" + id;
    const std::string in = "ip -n " + player_ + " ";
    ASSERT_TRUE(ShellSucceeds("ip netns add " + player_ + " && ip netns add " + line_ + " && " + in + "link set lo up && ip -n " +
                              line_ + " link set lo up"));
    created_ = true;
    ASSERT_TRUE(ShellSucceeds(in + "link add " + playerDevice_ + " type veth peer name line0 netns " + line_ + " && " + in +
                              "addr add 198.18.10.1/30 dev " + playerDevice_ + " && ip -n " + line_ +
                              " addr add 198.18.10.2/30 dev line0 && " + in + "link set " + playerDevice_ +
                              " up && ip -n " + line_ + " link set line0 up"));
    // The detour: the player's marked datagrams are delivered on this
    // machine, as the service's policy route does.
    ASSERT_TRUE(ShellSucceeds(in + "rule add fwmark " + std::to_string(kMark) + " lookup 100 && " + in + "rule add fwmark " +
                              std::to_string(kOtherMark) + " lookup 100 && " + in +
                              "route add local 0.0.0.0/0 dev lo table 100"));
  }

  void TearDown() override {
    if (created_) ShellSucceeds("ip netns del " + player_ + "; ip netns del " + line_);
  }

  // Turns the devices' checksum offload off: every checksum of a datagram
  // that crosses the pair is computed and checked in full.
  bool FullChecksums() {
    return ShellSucceeds("ip netns exec " + player_ + " ethtool -K " + playerDevice_ + " tx off rx off >/dev/null && ip netns exec " +
                         line_ + " ethtool -K line0 tx off rx off >/dev/null");
  }

  unsigned PlayerDevice() {
    InNamespace in(player_);
    return in.entered() ? if_nametoindex(playerDevice_.c_str()) : 0;
  }

  std::string player_, line_, playerDevice_;
  bool created_ = false;
};

int MarkedGame(const sockaddr_in& at, std::uint32_t mark) {
  const int fd = BoundUdp(at);
  if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_MARK, &mark, sizeof(mark));
  return fd;
}

std::vector<size_t> Sizes() { return {0, 1, 2, 9, 10, 11, 64, 255, 256, 257, 511, 512, 1000, 1461, 1462}; }

// The line on the player's machine: relay and server on loopback.
struct LocalLine {
  const sockaddr_in game = Address("127.0.0.1", 6000), association = Address("127.0.0.1", 6500),
                    relay = Address("127.0.0.1", 7000), server = Address("127.0.0.2", 9000);
  Server echo{BoundUdp(server), Echo}, relayServer{BoundUdp(relay), Relay};
  const int associationFd = BoundUdp(association);
  UdpKernelPath path;

  ~LocalLine() { close(associationFd); }
  // Loads the path with the game socket's route.
  bool Carry(std::string& error) { return path.Load(error) && path.Add({game, server, association, relay, kMark, 0}, error); }
};

TEST_F(UdpKernelPathTest, CarriesEverySizeToALocalRelayAndBackFromTheRealSender) {
  InNamespace in(player_);
  ASSERT_TRUE(in.entered());
  LocalLine line;
  const sockaddr_in &game = line.game, &server = line.server;
  UdpKernelPath& path = line.path;
  std::string error;
  ASSERT_TRUE(line.Carry(error)) << error;
  const int gameFd = MarkedGame(game, kMark);
  ASSERT_GE(gameFd, 0);

  std::uint64_t bytes = 0;
  for (size_t size : Sizes()) {
    const Answer answer = SendAndWait(gameFd, server, Payload(size));
    ASSERT_TRUE(answer.arrived) << size;
    EXPECT_EQ(answer.bytes, Payload(size)) << size;
    EXPECT_TRUE(Same(answer.from, server)) << size;
    bytes += size;
  }
  UdpKernelCounters counters;
  ASSERT_TRUE(path.Counters(game, server, counters));
  EXPECT_EQ(counters.packetsOut, Sizes().size());
  EXPECT_EQ(counters.packetsBack, Sizes().size());
  EXPECT_EQ(counters.bytesOut, bytes);
  EXPECT_EQ(counters.bytesBack, bytes);
  EXPECT_GT(counters.lastNs, 0u);

  // Too big for the header to fit a link: left to the proxy (here the
  // detour delivers it to the server directly, which answers directly).
  const Answer large = SendAndWait(gameFd, server, Payload(1463));
  EXPECT_TRUE(large.arrived);
  ASSERT_TRUE(path.Counters(game, server, counters));
  EXPECT_EQ(counters.packetsOut, Sizes().size());
  close(gameFd);
}

TEST_F(UdpKernelPathTest, TouchesOnlyListedRoutesAndOnlyThePlayersMarkedDatagrams) {
  InNamespace in(player_);
  ASSERT_TRUE(in.entered());
  LocalLine line;
  const sockaddr_in &game = line.game, &server = line.server;
  UdpKernelPath& path = line.path;
  std::string error;
  ASSERT_TRUE(line.Carry(error)) << error;
  UdpKernelCounters counters;
  {
    // Another player's mark on the same address and port.
    const int other = MarkedGame(game, kOtherMark);
    ASSERT_GE(other, 0);
    EXPECT_TRUE(SendAndWait(other, server, "x").arrived);
    close(other);
    ASSERT_TRUE(path.Counters(game, server, counters));
    EXPECT_EQ(counters.packetsOut, 0u);
  }
  {
    // Another socket with the player's mark.
    const int other = MarkedGame(Address("127.0.0.1", 6001), kMark);
    EXPECT_TRUE(SendAndWait(other, server, "x").arrived);
    close(other);
    ASSERT_TRUE(path.Counters(game, server, counters));
    EXPECT_EQ(counters.packetsOut, 0u);
  }
  const int gameFd = MarkedGame(game, kMark);
  EXPECT_TRUE(SendAndWait(gameFd, server, "carried").arrived);
  ASSERT_TRUE(path.Counters(game, server, counters));
  EXPECT_EQ(counters.packetsOut, 1u);
  {
    // The game socket to an endpoint its route does not list: the
    // ordinary way (here straight to it).
    const sockaddr_in elsewhere = Address("127.0.0.3", 9000);
    Server other(BoundUdp(elsewhere), Echo);
    const Answer answer = SendAndWait(gameFd, elsewhere, "elsewhere");
    EXPECT_TRUE(answer.arrived && Same(answer.from, elsewhere));
    ASSERT_TRUE(path.Counters(game, server, counters));
    EXPECT_EQ(counters.packetsOut, 1u);
  }
  {
    // An answer through the relay from a sender the route does not list
    // reaches the association socket, header and all, not the game.
    const int intruder = BoundUdp(Address("127.0.0.3", 9100));
    sendto(intruder, "intruder", 8, 0, reinterpret_cast<const sockaddr*>(&line.relay), sizeof(line.relay));
    pollfd ready{line.associationFd, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 1000), 1);
    char buffer[64];
    EXPECT_EQ(recv(line.associationFd, buffer, sizeof(buffer), 0), 18);
    EXPECT_EQ(std::string(buffer + 10, 8), "intruder");
    pollfd game{gameFd, POLLIN, 0};
    EXPECT_EQ(poll(&game, 1, 100), 0);
    close(intruder);
  }
  // Removed: the game's datagrams take the ordinary way again.
  EXPECT_TRUE(path.Remove(game, server));
  EXPECT_FALSE(path.Remove(game, server));
  EXPECT_FALSE(path.Counters(game, server, counters));
  const Answer direct = SendAndWait(gameFd, server, "direct");
  EXPECT_TRUE(direct.arrived);
  EXPECT_EQ(direct.bytes, "direct");
  close(gameFd);
}

TEST_F(UdpKernelPathTest, CarriesEverySizeToARemoteRelayWithChecksumsComputedInFull) {
  ASSERT_TRUE(FullChecksums());
  const unsigned device = PlayerDevice();
  ASSERT_NE(device, 0u);
  const sockaddr_in game = Address("198.18.10.1", 6000), association = Address("198.18.10.1", 6500),
                    relay = Address("198.18.10.2", 7000), server = Address("198.18.10.2", 9000);
  int echoFd, relayFd;
  {
    InNamespace in(line_);
    ASSERT_TRUE(in.entered());
    echoFd = BoundUdp(server);
    relayFd = BoundUdp(relay);
  }
  ASSERT_GE(echoFd, 0);
  ASSERT_GE(relayFd, 0);
  Server echo(echoFd, Echo), relayServer(relayFd, Relay);
  InNamespace in(player_);
  ASSERT_TRUE(in.entered());
  const int gameFd = MarkedGame(game, kMark), associationFd = BoundUdp(association);
  UdpKernelPath path;
  std::string error;
  ASSERT_TRUE(path.Load(error)) << error;
  ASSERT_TRUE(path.Add({game, server, association, relay, kMark, device}, error)) << error;
  for (size_t size : Sizes()) {
    const Answer answer = SendAndWait(gameFd, server, Payload(size));
    ASSERT_TRUE(answer.arrived) << size;
    EXPECT_EQ(answer.bytes, Payload(size)) << size;
    EXPECT_TRUE(Same(answer.from, server)) << size;
  }
  UdpKernelCounters counters;
  ASSERT_TRUE(path.Counters(game, server, counters));
  EXPECT_EQ(counters.packetsOut, Sizes().size());
  EXPECT_EQ(counters.packetsBack, Sizes().size());
  EXPECT_EQ(SnmpField("Udp", "InCsumErrors"), 0);
  {
    InNamespace line(line_);
    EXPECT_EQ(SnmpField("Udp", "InCsumErrors"), 0);
  }
  close(gameFd);
  close(associationFd);
}

TEST_F(UdpKernelPathTest, FollowsARemoteRelaysRouteToAnotherDevice) {
  // The player's address is on loopback and the relay's on the line's, so
  // that either pair of devices can carry them: first the one pair, then
  // (the first taken down, as a network that went away) the other.
  const std::string secondDevice = "bgkq" + std::to_string(getpid());
  const std::string player = "ip -n " + player_ + " ", line = "ip -n " + line_ + " ";
  ASSERT_TRUE(ShellSucceeds(player + "link add " + secondDevice + " type veth peer name line1 netns " + line_ + " && " + player +
                            "addr add 198.18.11.1/30 dev " + secondDevice + " && " + line + "addr add 198.18.11.2/30 dev line1 && " +
                            player + "link set " + secondDevice + " up && " + line + "link set line1 up && " + player +
                            "addr add 198.18.12.1/32 dev lo && " + line + "addr add 198.18.20.2/32 dev lo && " + player +
                            "route add 198.18.20.2/32 via 198.18.10.2 && " + line + "route add 198.18.12.1/32 via 198.18.10.1"));
  const sockaddr_in game = Address("198.18.12.1", 6000), association = Address("198.18.12.1", 6500),
                    relay = Address("198.18.20.2", 7000), server = Address("198.18.20.2", 9000);
  int echoFd, relayFd, otherRelayFd;
  {
    InNamespace in(line_);
    ASSERT_TRUE(in.entered());
    echoFd = BoundUdp(server);
    relayFd = BoundUdp(relay);
    otherRelayFd = BoundUdp(Address("198.18.20.2", 7001));
  }
  ASSERT_GE(echoFd, 0);
  ASSERT_GE(relayFd, 0);
  ASSERT_GE(otherRelayFd, 0);
  Server echo(echoFd, Echo), relayServer(relayFd, Relay), otherRelayServer(otherRelayFd, Relay);
  InNamespace in(player_);
  ASSERT_TRUE(in.entered());
  const unsigned first = if_nametoindex(playerDevice_.c_str()), second = if_nametoindex(secondDevice.c_str());
  const int gameFd = MarkedGame(game, kMark), associationFd = BoundUdp(association);
  UdpKernelPath path;
  std::string error;
  unsigned device = 0;
  ASSERT_TRUE(path.DeviceTo(association, relay, device, error)) << error;
  EXPECT_EQ(device, first);
  ASSERT_TRUE(path.Add({game, server, association, relay, kMark, device}, error)) << error;
  EXPECT_EQ(SendAndWait(gameFd, server, "by the first").bytes, "by the first");

  // Nothing moved: nothing to say.
  std::vector<std::string> changes;
  path.FollowDevices(changes);
  EXPECT_TRUE(changes.empty());

  ASSERT_TRUE(ShellSucceeds(player + "route replace 198.18.20.2/32 via 198.18.11.2 && " + line +
                            "route replace 198.18.12.1/32 via 198.18.11.1 && " + player + "link set " + playerDevice_ + " down"));
  path.FollowDevices(changes);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], "the route to the relay 198.18.20.2 moved from " + playerDevice_ + " to " + secondDevice);
  const Answer answer = SendAndWait(gameFd, server, "by the second");
  EXPECT_EQ(answer.bytes, "by the second");
  EXPECT_TRUE(Same(answer.from, server));
  // Both ways in the kernel: out by the second device, and back through
  // the filter the move put on it.
  UdpKernelCounters counters;
  ASSERT_TRUE(path.Counters(game, server, counters));
  EXPECT_EQ(counters.packetsOut, 2u);
  EXPECT_EQ(counters.packetsBack, 2u);
  EXPECT_NE(ShellOutput("ip netns exec " + player_ + " tc filter show dev " + secondDevice + " ingress").find("udp_kernel_path"),
            std::string::npos);

  // Two routes to the relay's address share its device: the end of one
  // leaves the other's.
  const sockaddr_in otherGame = Address("198.18.12.1", 6001), otherRelay = Address("198.18.20.2", 7001);
  const int otherGameFd = MarkedGame(otherGame, kMark);
  ASSERT_TRUE(path.Add({otherGame, server, Address("198.18.12.1", 6501), otherRelay, kMark, second}, error)) << error;
  ASSERT_TRUE(path.Remove(game, server));
  EXPECT_EQ(SendAndWait(otherGameFd, server, "still by the second").bytes, "still by the second");
  ASSERT_TRUE(path.Counters(otherGame, server, counters));
  EXPECT_EQ(counters.packetsOut, 1u);
  close(gameFd);
  close(otherGameFd);
  close(associationFd);
}

}  // namespace

namespace {

TEST_F(UdpKernelPathTest, AFilterAKilledServiceLeftIsRemovedAndAnEndedOnesIsGone) {
  const std::string filters = "ip netns exec " + player_ + " tc filter show dev lo ingress";
  {
    InNamespace in(player_);
    ASSERT_TRUE(in.entered());
    LocalLine line;
    std::string error;
    ASSERT_TRUE(line.Carry(error)) << error;
  }
  EXPECT_EQ(ShellOutput(filters).find("udp_kernel_path"), std::string::npos) << ShellOutput(filters);
  // A service killed while carrying: its filter stays.
  const pid_t killed = fork();
  if (killed == 0) {
    InNamespace in(player_);
    UdpKernelPath path;
    std::string error;
    const sockaddr_in game = Address("127.0.0.1", 6000), remote = Address("127.0.0.2", 9000);
    _exit(in.entered() && path.Add({game, remote, Address("127.0.0.1", 6500), Address("127.0.0.1", 7000), kMark, 0}, error)
              ? 0
              : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(killed, &status, 0), killed);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(ShellOutput(filters).find("udp_kernel_path"), std::string::npos) << ShellOutput(filters);
  {
    InNamespace in(player_);
    ASSERT_TRUE(in.entered());
    UdpKernelPath next;
    next.RemoveStale();
  }
  EXPECT_EQ(ShellOutput(filters).find("udp_kernel_path"), std::string::npos) << ShellOutput(filters);
}

}  // namespace
