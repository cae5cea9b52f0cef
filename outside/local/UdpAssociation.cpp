#include "outside/local/UdpAssociation.h"

#include "outside/local/SocketUtil.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr std::size_t kMaxDatagram = 65536;
// Datagrams handled per readiness event.
constexpr int kDatagramsPerEvent = 16;
// RSV RSV FRAG ATYP and the shortest address (IPv4 + port).
constexpr std::size_t kMinHeader = 4 + 4 + 2;

// The payload of a datagram with the SOCKS5 UDP header; 0 when the header
// is damaged.
std::size_t PayloadBytes(const std::uint8_t* datagram, std::size_t size) {
  SocksAddress address;
  std::size_t used = 0;
  if (size < 4 || ParseSocksAddress(datagram + 3, size - 3, address, used) != ParseStatus::kDone) return 0;
  return size - 3 - used;
}

}  // namespace

UdpAssociation::UdpAssociation(EventLoop& loop, ProxyCounters& counters, const SocksAddress& clientHint)
    : loop_(loop), counters_(counters), clientHint_(clientHint) {}

UdpAssociation::~UdpAssociation() {
  if (counted_) {
    --counters_.udpAssociations;
    counters_.Changed();
  }
  for (int fd : {localFd_, relayFd_}) {
    if (fd >= 0) {
      loop_.Remove(fd);
      close(fd);
    }
  }
}

bool UdpAssociation::Open(const SocksAddress& relay, std::string& error) {
  sockaddr_storage relayAddress{};
  socklen_t relayLength = 0;
  if (!relay.ToSockaddr(relayAddress, relayLength)) {
    error = "line server gave no usable UDP relay address";
    return false;
  }
  localFd_ = BindUdpLoopback(clientHint_.type == SocksAddress::kIpv6 ? AF_INET6 : AF_INET);
  relayFd_ = socket(relayAddress.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (localFd_ < 0 || relayFd_ < 0) {
    error = "cannot open UDP sockets: " + ErrnoText(errno);
    return false;
  }
  SetBypassMark(relayFd_);
  if (connect(relayFd_, reinterpret_cast<sockaddr*>(&relayAddress), relayLength) != 0) {
    error = "cannot reach the UDP relay " + relay.ToText() + ": " + ErrnoText(errno);
    return false;
  }
  if (!loop_.Add(localFd_, EPOLLIN, this) || !loop_.Add(relayFd_, EPOLLIN, this)) {
    error = "cannot watch UDP sockets";
    return false;
  }
  ++counters_.udpAssociations;
  counted_ = true;
  counters_.Changed();
  return true;
}

SocksAddress UdpAssociation::LocalAddress() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  getsockname(localFd_, reinterpret_cast<sockaddr*>(&address), &length);
  SocksAddress local;
  SocksAddress::FromSockaddr(address, local);
  return local;
}

void UdpAssociation::OnEvent(int fd, std::uint32_t) {
  if (fd == localFd_) FromClient();
  if (fd == relayFd_) FromRelay();
}

bool UdpAssociation::AcceptsClient(const sockaddr_storage& sender) {
  SocksAddress from;
  if (!SocksAddress::FromSockaddr(sender, from)) return false;
  if (haveClient_) {
    SocksAddress client;
    SocksAddress::FromSockaddr(client_, client);
    return from.Encode() == client.Encode();
  }
  const bool loopback = from.type == SocksAddress::kIpv4 ? static_cast<std::uint8_t>(from.host[0]) == 127
                                                         : from.host == std::string(15, '\0') + '\1';
  if (!loopback) return false;
  if (clientHint_.type == from.type && clientHint_.port != 0) {
    if (clientHint_.port != from.port) return false;
    if (clientHint_.host.find_first_not_of('\0') != std::string::npos && clientHint_.host != from.host) return false;
  }
  client_ = sender;
  clientLength_ = from.type == SocksAddress::kIpv4 ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
  haveClient_ = true;
  return true;
}

void UdpAssociation::FromClient() {
  static thread_local std::uint8_t datagram[kMaxDatagram];
  for (int i = 0; i < kDatagramsPerEvent; ++i) {
    sockaddr_storage sender{};
    socklen_t length = sizeof sender;
    const ssize_t got =
        recvfrom(localFd_, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&sender), &length);
    if (got < 0) return;
    if (!AcceptsClient(sender)) continue;
    if (static_cast<std::size_t>(got) < kMinHeader || datagram[0] != 0 || datagram[1] != 0 || datagram[2] != 0) {
      continue;
    }
    if (send(relayFd_, datagram, static_cast<std::size_t>(got), 0) == got) {
      counters_.bytesUp += PayloadBytes(datagram, static_cast<std::size_t>(got));
      counters_.Changed();
    }
  }
}

void UdpAssociation::FromRelay() {
  static thread_local std::uint8_t datagram[kMaxDatagram];
  for (int i = 0; i < kDatagramsPerEvent; ++i) {
    const ssize_t got = recv(relayFd_, datagram, sizeof datagram, 0);
    if (got < 0) return;
    if (!haveClient_ || static_cast<std::size_t>(got) < kMinHeader || datagram[2] != 0) continue;
    if (sendto(localFd_, datagram, static_cast<std::size_t>(got), 0, reinterpret_cast<const sockaddr*>(&client_), clientLength_) ==
        got) {
      counters_.bytesDown += PayloadBytes(datagram, static_cast<std::size_t>(got));
      counters_.Changed();
    }
  }
}
