#include "outside/local/Connection.h"

#include "outside/local/SocketUtil.h"
#include "outside/local/Socks5.h"
#include "outside/local/Socks5Server.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// Time a connection may take from acceptance to relaying.
constexpr std::chrono::seconds kNegotiationTime{20};
// The most a client may send before its request is complete.
constexpr std::size_t kMaxNegotiationBytes = 1024;

SocksAddress AnyAddress() {
  SocksAddress any;
  any.type = SocksAddress::kIpv4;
  any.host.assign(4, '\0');
  any.port = 0;
  return any;
}

}  // namespace

Connection::Connection(EventLoop& loop, const LineSettings& line, ProxyCounters& counters, ILineLimits& limits,
                       int clientFd, std::optional<SocksAddress> redirected, std::function<void(Connection*)> onClosed)
    : loop_(loop), line_(line), counters_(counters), limits_(limits), onClosed_(std::move(onClosed)), deadline_(Clock::now() + kNegotiationTime) {
  client_.fd = clientFd;
  if (redirected) {
    redirected_ = true;
    target_ = *redirected;
  }
}

Connection::~Connection() { Close(); }

bool Connection::Start() {
  SetNoDelay(client_.fd);
  if (!loop_.Add(client_.fd, 0, this)) {
    Close();
    return false;
  }
  clientWatched_ = true;
  if (redirected_) {
    ConnectUpstream(socks5::kCommandConnect, target_);
  } else {
    UpdateInterest();
  }
  return state_ != State::kClosed;
}

void Connection::Log(const std::string& text) const {
  std::fprintf(stderr, "local.exe: %s\n", text.c_str());
}

bool Connection::Pump(RelayEnd& from, RelayEnd& to, std::uint64_t& carried) {
  const std::uint64_t before = carried;
  const bool ok = PumpBytes(from, to, carried);
  if (carried != before) counters_.Changed();
  return ok;
}

void Connection::Close() {
  if (state_ == State::kClosed) return;
  state_ = State::kClosed;
  if (counted_) {
    --counters_.tcpConnections;
    counted_ = false;
    counters_.Changed();
  }
  udp_.reset();
  for (RelayEnd* end : {&client_, &upstream_}) {
    if (end->fd < 0) continue;
    loop_.Remove(end->fd);
    close(end->fd);
    end->fd = -1;
  }
  clientWatched_ = upstreamWatched_ = false;
  if (onClosed_) {
    auto onClosed = std::move(onClosed_);
    onClosed_ = nullptr;
    onClosed(this);
  }
}

void Connection::Reset() {
  for (RelayEnd* end : {&client_, &upstream_}) {
    if (end->fd >= 0) ResetOnClose(end->fd);
  }
  Close();
}

void Connection::CheckDeadline(Clock::time_point now) {
  if (state_ == State::kRelaying || state_ == State::kUdp || state_ == State::kClosed) return;
  if (now < deadline_) return;
  Log("negotiation timed out");
  Close();
}

void Connection::OnEvent(int fd, std::uint32_t events) {
  if (state_ == State::kClosed) return;
  if (fd == client_.fd) {
    OnClientEvent(events);
  } else if (fd == upstream_.fd) {
    OnUpstreamEvent(events);
  }
  if (state_ != State::kClosed) UpdateInterest();
}

void Connection::OnClientEvent(std::uint32_t events) {
  switch (state_) {
    case State::kGreeting:
    case State::kRequest:
      if (!ReadClient()) return;
      ParseClient();
      return;
    case State::kRelaying:
      // A socket error (a reset among them) goes on to the other side as a
      // reset.
      if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) && !Pump(client_, upstream_, counters_.bytesUp)) return Reset();
      if ((events & EPOLLOUT) && !FlushEnd(client_, upstream_)) return Reset();
      if ((events & EPOLLERR) || ((events & EPOLLHUP) && !client_.writeShut)) return Reset();
      if (RelayFinished(client_, upstream_)) return Close();
      return;
    case State::kUdp: {
      // The control connection carries nothing more; its end ends the
      // association.
      std::uint8_t scratch[512];
      const ssize_t got = recv(client_.fd, scratch, sizeof scratch, 0);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) Close();
      return;
    }
    case State::kFlushThenClose:
      if (!FlushEnd(client_, upstream_) || client_.out.empty() || (events & (EPOLLHUP | EPOLLERR))) Close();
      return;
    case State::kConnecting:
    case State::kHandshake:
      if (events & (EPOLLHUP | EPOLLERR)) Close();
      return;
    case State::kClosed: return;
  }
}

void Connection::OnUpstreamEvent(std::uint32_t events) {
  switch (state_) {
    case State::kConnecting:
      OnUpstreamConnected();
      return;
    case State::kHandshake: {
      if (events & EPOLLOUT) {
        if (!FlushEnd(upstream_, client_)) return FailClient(socks5::kReplyGeneralFailure, "line server closed");
      }
      if (!(events & (EPOLLIN | EPOLLHUP | EPOLLERR))) return;
      std::uint8_t buffer[4096];
      const ssize_t got = recv(upstream_.fd, buffer, sizeof buffer, 0);
      if (got > 0) {
        upstreamIn_.Append(buffer, static_cast<std::size_t>(got));
        AdvanceHandshake();
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        FailClient(socks5::kReplyGeneralFailure, "line server closed the connection during negotiation");
      }
      return;
    }
    case State::kRelaying:
      if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) && !Pump(upstream_, client_, counters_.bytesDown)) return Reset();
      if ((events & EPOLLOUT) && !FlushEnd(upstream_, client_)) return Reset();
      if ((events & EPOLLERR) || ((events & EPOLLHUP) && !upstream_.writeShut)) return Reset();
      if (RelayFinished(client_, upstream_)) return Close();
      return;
    case State::kUdp: {
      std::uint8_t scratch[512];
      const ssize_t got = recv(upstream_.fd, scratch, sizeof scratch, 0);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) Close();
      return;
    }
    case State::kGreeting:
    case State::kRequest:
    case State::kFlushThenClose:
    case State::kClosed: return;
  }
}

bool Connection::ReadClient() {
  std::uint8_t buffer[kMaxNegotiationBytes];
  const ssize_t got = recv(client_.fd, buffer, sizeof buffer, 0);
  if (got > 0) {
    clientIn_.Append(buffer, static_cast<std::size_t>(got));
    if (clientIn_.size() <= kMaxNegotiationBytes) return true;
    Log("client sent too much before its request");
  } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
    return true;
  }
  Close();
  return false;
}

void Connection::ParseClient() {
  if (state_ == State::kGreeting) {
    std::size_t used = 0;
    switch (ParseClientGreeting(clientIn_.data(), clientIn_.size(), used)) {
      case GreetingStatus::kIncomplete: return;
      case GreetingStatus::kBad:
        Log("client does not speak SOCKS5");
        return Close();
      case GreetingStatus::kNoAcceptableMethod:
        Log("client offers no method we accept");
        state_ = State::kFlushThenClose;
        SendToClient(FormatMethodChoice(socks5::kMethodNoneAcceptable));
        if (state_ == State::kFlushThenClose && client_.out.empty()) Close();
        return;
      case GreetingStatus::kNoAuthOffered:
        clientIn_.Consume(used);
        SendToClient(FormatMethodChoice(socks5::kMethodNoAuth));
        state_ = State::kRequest;
        break;
    }
  }
  if (state_ != State::kRequest) return;
  SocksRequest request;
  std::size_t used = 0;
  switch (ParseClientRequest(clientIn_.data(), clientIn_.size(), request, used)) {
    case ParseStatus::kIncomplete: return;
    case ParseStatus::kBad:
      Log("client sent a malformed request");
      return Close();
    case ParseStatus::kBadAddressType:
      return FailClient(socks5::kReplyAddressTypeNotSupported, "client asked for an unknown address type");
    case ParseStatus::kDone: break;
  }
  clientIn_.Consume(used);
  if (request.command == socks5::kCommandConnect) {
    target_ = request.target;
    ConnectUpstream(socks5::kCommandConnect, request.target);
  } else if (request.command == socks5::kCommandUdpAssociate) {
    target_ = request.target;
    ConnectUpstream(socks5::kCommandUdpAssociate, AnyAddress());
  } else {
    FailClient(socks5::kReplyCommandNotSupported, "client asked for an unsupported command");
  }
}

void Connection::ConnectUpstream(std::uint8_t command, const SocksAddress& target) {
  command_ = command;
  handshake_ = std::make_unique<UpstreamHandshake>(line_.user, line_.password, command, target);
  upstream_.fd = StartTcpConnect(line_.server);
  if (upstream_.fd < 0) {
    return FailClient(socks5::kReplyGeneralFailure, "cannot connect to the line server: " + ErrnoText(errno));
  }
  if (!loop_.Add(upstream_.fd, EPOLLOUT, this)) {
    return FailClient(socks5::kReplyGeneralFailure, "cannot watch the line server connection");
  }
  upstreamWatched_ = true;
  state_ = State::kConnecting;
}

void Connection::OnUpstreamConnected() {
  const int error = PendingSocketError(upstream_.fd);
  if (error != 0) {
    return FailClient(socks5::kReplyGeneralFailure,
                      "cannot connect to the line server " + line_.server.ToText() + ": " + ErrnoText(error));
  }
  state_ = State::kHandshake;
  upstream_.out.Append(handshake_->Greeting());
  if (!FlushEnd(upstream_, client_)) FailClient(socks5::kReplyGeneralFailure, "line server closed");
}

void Connection::AdvanceHandshake() {
  for (;;) {
    std::string output;
    switch (handshake_->OnInput(upstreamIn_, output)) {
      case UpstreamHandshake::Step::kNeedMore: return;
      case UpstreamHandshake::Step::kSend:
        upstream_.out.Append(output);
        if (!FlushEnd(upstream_, client_)) return FailClient(socks5::kReplyGeneralFailure, "line server closed");
        continue;
      case UpstreamHandshake::Step::kFailed: {
        const std::string why = handshake_->failureReason() + " (target " + target_.ToText() + ")";
        if (handshake_->failureReply() == socks5::kReplyAddressTypeNotSupported && target_.type == SocksAddress::kIpv6) {
          limits_.Ipv6Refused(why);
        }
        return FailClient(handshake_->failureReply(), why);
      }
      case UpstreamHandshake::Step::kDone:
        return command_ == socks5::kCommandUdpAssociate ? BeginUdp() : BeginRelay();
    }
  }
}

void Connection::BeginRelay() {
  state_ = State::kRelaying;
  ++counters_.lineAnswers;
  SetKeepAlive(client_.fd);
  SetKeepAlive(upstream_.fd);
  ++counters_.tcpConnections;
  counted_ = true;
  counters_.Changed();
  if (!redirected_) SendToClient(FormatReply(socks5::kReplySucceeded, handshake_->bound()));
  // Bytes that came early on either side go on as relayed data.
  client_.out.Append(upstreamIn_.data(), upstreamIn_.size());
  upstreamIn_.Clear();
  upstream_.out.Append(clientIn_.data(), clientIn_.size());
  clientIn_.Clear();
  handshake_.reset();
  if (!FlushEnd(client_, upstream_) || !FlushEnd(upstream_, client_)) Close();
}

void Connection::BeginUdp() {
  ++counters_.lineAnswers;
  udp_ = std::make_unique<UdpAssociation>(loop_, counters_, target_);
  std::string error;
  if (!udp_->Open(handshake_->UdpRelay(line_.server), error)) {
    udp_.reset();
    return FailClient(socks5::kReplyGeneralFailure, error);
  }
  state_ = State::kUdp;
  handshake_.reset();
  SendToClient(FormatReply(socks5::kReplySucceeded, udp_->LocalAddress()));
}

void Connection::FailClient(std::uint8_t reply, const std::string& reason) {
  Log(reason);
  // A redirected game has no SOCKS5 reply to read: it is told by a reset,
  // as a refusing target would tell it.
  if (redirected_ || client_.fd < 0) return Reset();
  if (upstream_.fd >= 0) {
    if (upstreamWatched_) loop_.Remove(upstream_.fd);
    close(upstream_.fd);
    upstream_.fd = -1;
    upstreamWatched_ = false;
  }
  state_ = State::kFlushThenClose;
  SendToClient(FormatReply(reply, AnyAddress()));
  if (state_ == State::kFlushThenClose && client_.out.empty()) Close();
}

void Connection::SendToClient(const std::string& bytes) {
  client_.out.Append(bytes);
  if (!FlushEnd(client_, upstream_)) Close();
}

void Connection::UpdateInterest() {
  std::uint32_t clientEvents = 0;
  std::uint32_t upstreamEvents = 0;
  switch (state_) {
    case State::kGreeting:
    case State::kRequest: clientEvents = EPOLLIN; break;
    case State::kConnecting: upstreamEvents = EPOLLOUT; break;
    case State::kHandshake: upstreamEvents = EPOLLIN; break;
    case State::kRelaying:
      clientEvents = RelayInterest(client_, upstream_);
      upstreamEvents = RelayInterest(upstream_, client_);
      break;
    case State::kUdp: clientEvents = upstreamEvents = EPOLLIN; break;
    case State::kFlushThenClose: break;
    case State::kClosed: return;
  }
  if (!client_.out.empty()) clientEvents |= EPOLLOUT;
  if (!upstream_.out.empty() && state_ != State::kConnecting) upstreamEvents |= EPOLLOUT;
  if (state_ == State::kRelaying) {
    Watch(client_, clientWatched_, clientEvents);
    Watch(upstream_, upstreamWatched_, upstreamEvents);
    return;
  }
  if (clientWatched_) loop_.Set(client_.fd, clientEvents);
  if (upstreamWatched_) loop_.Set(upstream_.fd, upstreamEvents);
}

void Connection::Watch(RelayEnd& end, bool& watched, std::uint32_t events) {
  if (state_ == State::kClosed) return;
  if (events == 0) {
    if (watched) loop_.Remove(end.fd);
    watched = false;
  } else if (watched) {
    loop_.Set(end.fd, events);
  } else {
    watched = loop_.Add(end.fd, events, this);
    if (!watched) Reset();
  }
}
