#include "outside/local/LineCheck.h"

#include "outside/local/SocketUtil.h"
#include "outside/local/Socks5.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>

namespace {

SocksAddress AnyIpv4() {
  SocksAddress any;
  any.type = SocksAddress::kIpv4;
  any.host.assign(4, '\0');
  return any;
}

// The discard port of the line server's own IPv6 loopback: nothing leaves
// the line's machine, whatever it does with the request.
SocksAddress OwnIpv6Discard() {
  SocksAddress discard;
  discard.type = SocksAddress::kIpv6;
  discard.host = std::string(15, '\0') + '\1';
  discard.port = 9;
  return discard;
}

std::unique_ptr<UpstreamHandshake> HandshakeFor(LineCheck::Question question, const LineSettings& line) {
  switch (question) {
    case LineCheck::Question::kUdp:
      return std::make_unique<UpstreamHandshake>(line.user, line.password, socks5::kCommandUdpAssociate, AnyIpv4());
    case LineCheck::Question::kIpv6:
      return std::make_unique<UpstreamHandshake>(line.user, line.password, socks5::kCommandConnect, OwnIpv6Discard());
    case LineCheck::Question::kLogin: break;
  }
  return std::make_unique<UpstreamHandshake>(line.user, line.password);
}

}  // namespace

LineCheck::LineCheck(EventLoop& loop, const LineSettings& line) : loop_(loop), line_(line) {}

LineCheck::~LineCheck() {
  CloseSocket();
  if (timerFd_ >= 0) {
    loop_.Remove(timerFd_);
    close(timerFd_);
  }
}

void LineCheck::Begin(Question question, std::chrono::milliseconds limit, Done done) {
  if (running()) return;
  done_ = std::move(done);
  question_ = question;
  result_ = LineCheckResult{};
  input_.Clear();
  connected_ = false;
  started_ = Clock::now();
  handshake_ = HandshakeFor(question, line_);
  if (timerFd_ < 0) {
    timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd_ >= 0 && !loop_.Add(timerFd_, EPOLLIN, this)) {
      close(timerFd_);
      timerFd_ = -1;
    }
  }
  if (timerFd_ < 0) {
    const std::string why = ErrnoText(errno);
    return loop_.Defer([this, why] { Fail("cannot time the check: " + why); });
  }
  const auto ms = limit.count();
  itimerspec deadline{};
  deadline.it_value.tv_sec = static_cast<time_t>(ms / 1000);
  deadline.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  timerfd_settime(timerFd_, 0, &deadline, nullptr);
  fd_ = StartTcpConnect(line_.server);
  if (fd_ < 0) {
    const std::string why = ErrnoText(errno);
    return loop_.Defer([this, why] { Fail("cannot connect: " + why); });
  }
  if (!loop_.Add(fd_, EPOLLOUT, this)) {
    CloseSocket();
    loop_.Defer([this] { Fail("cannot watch the connection"); });
  }
}

void LineCheck::OnEvent(int fd, std::uint32_t events) {
  if (!running()) return;
  if (fd == timerFd_) {
    std::uint64_t expirations = 0;
    if (read(timerFd_, &expirations, sizeof expirations) <= 0) return;
    if (result_.passed) return Unanswered();
    return Fail(connected_ ? "no answer to the login in time" : "no connection in time");
  }
  if (fd != fd_) return;
  if (!connected_) {
    if (events & (EPOLLOUT | EPOLLERR | EPOLLHUP)) OnConnected();
    return;
  }
  if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) OnReadable();
}

void LineCheck::OnConnected() {
  const int error = PendingSocketError(fd_);
  if (error != 0) return Fail("cannot connect: " + ErrnoText(error));
  connected_ = true;
  loop_.Set(fd_, EPOLLIN);
  Send(handshake_->Greeting());
}

void LineCheck::OnReadable() {
  std::uint8_t buffer[512];
  const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got <= 0) {
    const std::string why = got == 0 ? "closed the connection" : ErrnoText(errno);
    if (!result_.passed) return Fail("the line server " + why + " during the login");
    return Closed(why);
  }
  input_.Append(buffer, static_cast<std::size_t>(got));
  for (;;) {
    std::string output;
    const UpstreamHandshake::Step step = handshake_->OnInput(input_, output);
    if (handshake_->loggedIn() && !result_.passed) {
      result_.passed = true;
      result_.micros = static_cast<std::uint32_t>(
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started_).count());
    }
    switch (step) {
      case UpstreamHandshake::Step::kNeedMore: return;
      case UpstreamHandshake::Step::kSend:
        if (!Send(output)) return;
        continue;
      case UpstreamHandshake::Step::kDone: return Finish();
      case UpstreamHandshake::Step::kFailed:
        if (!result_.passed) return Fail(handshake_->failureReason());
        return Rejected(handshake_->failureReply(), handshake_->failureReason());
    }
  }
}

bool LineCheck::Send(const std::string& bytes) {
  // A handshake's few bytes fit any fresh socket's buffer.
  const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  if (sent == static_cast<ssize_t>(bytes.size())) return true;
  Fail("cannot send to the line server: " + (sent < 0 ? ErrnoText(errno) : std::string("short write")));
  return false;
}

void LineCheck::Unanswered() {
  // A line still trying to reach [::1] has IPv6.
  result_.refused = question_ == Question::kUdp;
  if (result_.refused) result_.reason = "the line server did not answer UDP ASSOCIATE";
  Finish();
}

void LineCheck::Closed(const std::string& why) {
  // Closing instead of answering is a refusal.
  result_.refused = true;
  result_.reason = "the line server " + why + (question_ == Question::kUdp ? " after UDP ASSOCIATE" : " after a CONNECT to IPv6");
  Finish();
}

void LineCheck::Rejected(std::uint8_t reply, const std::string& reason) {
  result_.refused = question_ == Question::kUdp || reply == socks5::kReplyAddressTypeNotSupported ||
                    reply == socks5::kReplyNetworkUnreachable;
  if (result_.refused) result_.reason = reason;
  Finish();
}

void LineCheck::Fail(const std::string& reason) {
  result_.passed = false;
  result_.refused = false;
  result_.reason = reason;
  Finish();
}

void LineCheck::Finish() {
  if (!running()) return;
  CloseSocket();
  if (timerFd_ >= 0) {
    const itimerspec off{};
    timerfd_settime(timerFd_, 0, &off, nullptr);
  }
  handshake_.reset();
  Done done = std::move(done_);
  done_ = nullptr;
  done(result_);
}

void LineCheck::CloseSocket() {
  if (fd_ < 0) return;
  loop_.Remove(fd_);
  close(fd_);
  fd_ = -1;
}
