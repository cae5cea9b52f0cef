// The sockets the service hands over, made for real (root) inside a
// network namespace of the test's own: they are the user's, marked, and a
// reply socket answers the game from the remote address it is bound to.
#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/ProcWatch.h"
#include "outside/redirect/TransparentSockets.h"
#include "tests/outside/support/ChildReport.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

constexpr uid_t kPlayer = 4242;

bool LoopbackUp() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  const bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags |= IFF_UP, true) &&
                  ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  close(fd);
  return up;
}

// Runs check in a child process in a network namespace of its own; the
// failure it names, "" when it passed.
std::string InOwnNetwork(const std::function<std::string()>& check) {
  return RunInChild([&] { return unshare(CLONE_NEWNET) != 0 ? "unshare" : !LoopbackUp() ? "lo" : check(); });
}

int Option(int fd, int level, int name) {
  int value = 0;
  socklen_t length = sizeof value;
  return getsockopt(fd, level, name, &value, &length) == 0 ? value : -1;
}

unsigned long InodeOf(int fd) {
  struct stat status {};
  fstat(fd, &status);
  return status.st_ino;
}

// A plain UDP socket as the game has, bound to loopback; its port.
int GameSocket(int family, int& port) {
  const int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_storage address{};
  socklen_t length = family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  address.ss_family = static_cast<sa_family_t>(family);
  if (family == AF_INET) {
    reinterpret_cast<sockaddr_in*>(&address)->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  } else {
    reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr = in6addr_loopback;
  }
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                 : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
  return fd;
}

#define CHECK(condition, what)                  \
  do {                                          \
    if (!(condition)) return std::string(what); \
  } while (0)

}  // namespace

TEST(TransparentSockets, TheListenerIsTheUsersAndMarked) {
  if (geteuid() != 0) GTEST_SKIP() << "transparent sockets need root";
  EXPECT_EQ(InOwnNetwork([] {
              TransparentSockets sockets;
              std::string error;
              const int v4 = sockets.Listener({AF_INET, "127.0.0.1", 48080}, kPlayer, error);
              CHECK(v4 >= 0, "IPv4 listener: " + error);
              const int v6 = sockets.Listener({AF_INET6, "::1", 48080}, kPlayer, error);
              CHECK(v6 >= 0, "IPv6 listener: " + error);
              CHECK(Option(v4, SOL_IP, IP_TRANSPARENT) == 1 && Option(v4, SOL_IP, IP_RECVORIGDSTADDR) == 1,
                    "IPv4 options");
              CHECK(Option(v6, IPPROTO_IPV6, IPV6_TRANSPARENT) == 1 &&
                        Option(v6, IPPROTO_IPV6, IPV6_RECVORIGDSTADDR) == 1 && Option(v6, IPPROTO_IPV6, IPV6_V6ONLY) == 1,
                    "IPv6 options");
              CHECK(static_cast<unsigned>(Option(v4, SOL_SOCKET, SO_MARK)) == kHandedSocketMark, "mark");
              // /proc shows it as the user's, so the service can follow it.
              ProcWatch watch;
              const SocketSnapshot udp = watch.UdpSockets();
              CHECK(udp.Lists(InodeOf(v4)) && udp.Lists(InodeOf(v6)), "listed");
              CHECK(udp.Owners({AF_INET, "127.0.0.1", 48080}, false) == std::set<uid_t>{kPlayer}, "IPv4 owner");
              CHECK(udp.Owners({AF_INET6, "::1", 48080}, false) == std::set<uid_t>{kPlayer}, "IPv6 owner");
              // A second listener on the same port is refused.
              CHECK(sockets.Listener({AF_INET, "127.0.0.1", 48080}, kPlayer, error) < 0, "second listener");
              CHECK(error.find("cannot listen on UDP 127.0.0.1:48080") == 0, error);
              close(v4);
              close(v6);
              return std::string();
            }),
            "");
}

TEST(TransparentSockets, AReplySocketAnswersTheGameFromTheRemoteAddress) {
  if (geteuid() != 0) GTEST_SKIP() << "transparent sockets need root";
  EXPECT_EQ(InOwnNetwork([] {
              TransparentSockets sockets;
              for (const int family : {AF_INET, AF_INET6}) {
                const bool v4 = family == AF_INET;
                int gamePort = 0;
                const int game = GameSocket(family, gamePort);
                const RedirectEndpoint remote{family, v4 ? "198.18.77.2" : "2001:db8:77::2", 27015};
                const RedirectEndpoint gameEndpoint{family, v4 ? "127.0.0.1" : "::1", gamePort};
                std::string error;
                const int reply = sockets.Reply(remote, gameEndpoint, kPlayer, error);
                CHECK(reply >= 0, "reply socket: " + error);
                // Two games' flows to one server may share its address.
                const int second = sockets.Reply(remote, {family, gameEndpoint.address, gamePort + 1}, kPlayer, error);
                CHECK(second >= 0, "a second reply socket from the same address: " + error);
                CHECK(send(reply, "pong", 4, 0) == 4, "send");
                pollfd ready{game, POLLIN, 0};
                CHECK(poll(&ready, 1, 2000) == 1, "the game got nothing");
                sockaddr_storage from{};
                socklen_t length = sizeof from;
                char answer[16] = {};
                CHECK(recvfrom(game, answer, sizeof answer, 0, reinterpret_cast<sockaddr*>(&from), &length) == 4,
                      "answer size");
                char text[INET6_ADDRSTRLEN] = {};
                const void* address = v4 ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(&from)->sin_addr)
                                         : static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(&from)->sin6_addr);
                const int port = ntohs(v4 ? reinterpret_cast<sockaddr_in*>(&from)->sin_port
                                          : reinterpret_cast<sockaddr_in6*>(&from)->sin6_port);
                inet_ntop(family, address, text, sizeof text);
                CHECK(std::string(answer) == "pong" && text == remote.address && port == 27015,
                      std::string("answer from ") + text + ":" + std::to_string(port));
                CHECK(ProcWatch().UdpSockets().Owners(remote, false) == std::set<uid_t>{kPlayer}, "owner");
                close(reply);
                close(second);
                close(game);
              }
              return std::string();
            }),
            "");
}
