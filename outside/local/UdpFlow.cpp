#include "outside/local/UdpFlow.h"

#include "outside/local/SocketUtil.h"
#include "outside/local/Socks5.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// A flow nobody has used for this long ends.
constexpr std::chrono::seconds kIdleTime{60};
// A failed flow stays this long, dropping its client's datagrams, so that a
// line server refusing UDP is not asked again for every datagram.
constexpr std::chrono::seconds kFailedLinger{5};
// What may wait for the association to be ready.
constexpr std::size_t kMaxPendingDatagrams = 64;
constexpr std::size_t kMaxPendingBytes = 256 * 1024;
// The largest UDP payload IPv4 carries.
constexpr std::size_t kMaxUdpPayload = 65507;
constexpr std::size_t kMaxDatagram = 65536;

void Log(const std::string& text) { std::fprintf(stderr, "local.exe: %s\n", text.c_str()); }

SocksAddress AnyAddress() {
  SocksAddress any;
  any.host.assign(4, '\0');
  return any;
}

}  // namespace

UdpFlow::UdpFlow(EventLoop& loop, const LineSettings& line, ProxyCounters& counters, const sockaddr_in& client,
                 const sockaddr_in& destination)
    : loop_(loop),
      line_(line),
      counters_(counters),
      client_(client),
      destination_(destination),
      lastActivity_(Clock::now()) {}

UdpFlow::~UdpFlow() {
  Uncount();
  CloseFd(controlFd_);
  CloseFd(relayFd_);
  CloseFd(replyFd_);
}

void UdpFlow::Uncount() {
  if (!counted_) return;
  counted_ = false;
  --counters_.udpAssociations;
  counters_.Changed();
}

void UdpFlow::CloseFd(int& fd) {
  if (fd < 0) return;
  loop_.Remove(fd);
  close(fd);
  fd = -1;
}

bool UdpFlow::Start() {
  std::string why;
  replyFd_ = BindUdpTransparent(destination_, client_, why);
  if (replyFd_ < 0 || !loop_.Add(replyFd_, EPOLLIN, this)) {
    Fail("cannot answer from " + SocksAddress::FromSockaddr(destination_).ToText() + ": " + why);
    return false;
  }
  handshake_ = std::make_unique<UpstreamHandshake>(line_.user, line_.password, socks5::kCommandUdpAssociate,
                                                   AnyAddress());
  controlFd_ = StartTcpConnect(line_.server);
  if (controlFd_ < 0 || !loop_.Add(controlFd_, EPOLLOUT, this)) {
    Fail("cannot connect to the line server: " + ErrnoText(errno));
    return false;
  }
  return true;
}

void UdpFlow::FromClient(const std::uint8_t* payload, std::size_t size) {
  if (state_ == State::kFailed) return;
  lastActivity_ = Clock::now();
  // RSV RSV FRAG, then the original destination, then the payload.
  std::string datagram{0, 0, 0};
  datagram += SocksAddress::FromSockaddr(destination_).Encode();
  if (datagram.size() + size > kMaxUdpPayload) {
    Log("dropping a datagram of " + std::to_string(size) + " bytes: too large for the line server's relay");
    return;
  }
  datagram.append(reinterpret_cast<const char*>(payload), size);
  if (state_ == State::kReady) return SendToRelay(datagram);
  if (pending_.size() >= kMaxPendingDatagrams || pendingBytes_ + datagram.size() > kMaxPendingBytes) return;
  pendingBytes_ += datagram.size();
  pending_.push_back(std::move(datagram));
}

void UdpFlow::SendToRelay(const std::string& datagram) {
  if (send(relayFd_, datagram.data(), datagram.size(), 0) != static_cast<ssize_t>(datagram.size())) return;
  counters_.bytesUp += datagram.size() - 3 - SocksAddress::FromSockaddr(destination_).Encode().size();
  counters_.Changed();
}

void UdpFlow::OnEvent(int fd, std::uint32_t events) {
  if (state_ == State::kFailed) return;
  if (fd == controlFd_) {
    OnControlEvent(events);
  } else if (fd == relayFd_) {
    FromRelay();
  } else if (fd == replyFd_) {
    FromReplySocket();
  }
}

void UdpFlow::FromReplySocket() {
  static thread_local std::uint8_t payload[kMaxDatagram];
  for (int i = 0; i < 16; ++i) {
    const ssize_t got = recv(replyFd_, payload, sizeof payload, 0);
    if (got < 0) return;
    FromClient(payload, static_cast<std::size_t>(got));
  }
}

void UdpFlow::OnControlEvent(std::uint32_t events) {
  if (state_ == State::kConnecting) {
    const int error = PendingSocketError(controlFd_);
    if (error != 0) return Fail("cannot connect to the line server " + line_.server.ToText() + ": " + ErrnoText(error));
    const std::string greeting = handshake_->Greeting();
    if (send(controlFd_, greeting.data(), greeting.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(greeting.size())) {
      return Fail("line server closed");
    }
    state_ = State::kHandshake;
    loop_.Set(controlFd_, EPOLLIN);
    return;
  }
  std::uint8_t buffer[1024];
  const ssize_t got = recv(controlFd_, buffer, sizeof buffer, 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got <= 0 || (events & EPOLLERR)) {
    return Fail(state_ == State::kReady ? "line server ended the UDP association"
                                        : "line server closed the connection during negotiation");
  }
  if (state_ == State::kHandshake) {
    controlIn_.Append(buffer, static_cast<std::size_t>(got));
    AdvanceHandshake();
  }
}

void UdpFlow::AdvanceHandshake() {
  for (;;) {
    std::string output;
    switch (handshake_->OnInput(controlIn_, output)) {
      case UpstreamHandshake::Step::kNeedMore: return;
      case UpstreamHandshake::Step::kSend:
        if (send(controlFd_, output.data(), output.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(output.size())) {
          return Fail("line server closed");
        }
        continue;
      case UpstreamHandshake::Step::kFailed: return Fail(handshake_->failureReason() + " (UDP ASSOCIATE)");
      case UpstreamHandshake::Step::kDone: return OpenRelay();
    }
  }
}

void UdpFlow::OpenRelay() {
  SocksAddress relay = handshake_->bound();
  // A relay announced as "any address" is on the line server itself.
  if (relay.type == SocksAddress::kIpv4 && relay.host == std::string(4, '\0')) relay.host = line_.server.host;
  sockaddr_storage address{};
  socklen_t length = 0;
  if (!relay.ToSockaddr(address, length)) return Fail("line server gave no usable UDP relay address");
  relayFd_ = socket(address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (relayFd_ < 0) return Fail("cannot open a UDP socket: " + ErrnoText(errno));
  SetBypassMark(relayFd_);
  if (connect(relayFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || !loop_.Add(relayFd_, EPOLLIN, this)) {
    return Fail("cannot reach the UDP relay " + relay.ToText() + ": " + ErrnoText(errno));
  }
  state_ = State::kReady;
  ++counters_.udpAssociations;
  counted_ = true;
  counters_.Changed();
  handshake_.reset();
  for (const std::string& datagram : pending_) SendToRelay(datagram);
  pending_.clear();
  pendingBytes_ = 0;
}

void UdpFlow::FromRelay() {
  static thread_local std::uint8_t datagram[kMaxDatagram];
  for (int i = 0; i < 16; ++i) {
    const ssize_t got = recv(relayFd_, datagram, sizeof datagram, 0);
    if (got < 0) return;
    const std::size_t size = static_cast<std::size_t>(got);
    SocksAddress sender;
    std::size_t used = 0;
    if (size < 4 || datagram[0] != 0 || datagram[1] != 0 || datagram[2] != 0 ||
        ParseSocksAddress(datagram + 3, size - 3, sender, used) != ParseStatus::kDone) {
      continue;  // fragments and damaged headers are dropped
    }
    lastActivity_ = Clock::now();
    const std::size_t payload = size - 3 - used;
    if (sendto(replyFd_, datagram + 3 + used, payload, 0, reinterpret_cast<const sockaddr*>(&client_),
               sizeof client_) == static_cast<ssize_t>(payload)) {
      counters_.bytesDown += payload;
      counters_.Changed();
    }
  }
}

void UdpFlow::Fail(const std::string& reason) {
  Log("UDP to " + SocksAddress::FromSockaddr(destination_).ToText() + ": " + reason);
  state_ = State::kFailed;
  Uncount();
  failedAt_ = Clock::now();
  CloseFd(controlFd_);
  CloseFd(relayFd_);
  pending_.clear();
  pendingBytes_ = 0;
}

bool UdpFlow::Finished(Clock::time_point now) const {
  if (state_ == State::kFailed) return now - failedAt_ >= kFailedLinger;
  return now - lastActivity_ >= kIdleTime;
}
