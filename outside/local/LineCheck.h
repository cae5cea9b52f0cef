// One check of the line server on a fresh connection of the proxy's own
// (marked, so that the redirect leaves it alone): connect, greeting and
// login, and, when asked, one request whose answer tells whether the line
// carries a kind of traffic at all:
//   - UDP: UDP ASSOCIATE; refused unless the line opens the association,
//   - IPv6: CONNECT to the discard port of the line server's own [::1]; a
//     line that cannot reach IPv6 destinations says so at once ("address
//     type not supported", or "network unreachable" for its own loopback);
//     any other answer, or none in time, is a line that tried.
// A check ends within its time limit.
#pragma once

#include "outside/local/ByteQueue.h"
#include "outside/local/Connection.h"
#include "outside/local/EventLoop.h"
#include "outside/local/UpstreamClient.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct LineCheckResult {
  bool passed = false;       // reached, and the password accepted
  bool refused = false;      // the line does not carry what was asked
  std::uint32_t micros = 0;  // from the start to the login's answer
  std::string reason;        // why it failed, or why it was refused
};

class LineCheck final : public EventHandler {
 public:
  using Done = std::function<void(const LineCheckResult&)>;
  enum class Question { kLogin, kUdp, kIpv6 };

  LineCheck(EventLoop& loop, const LineSettings& line);
  ~LineCheck();
  LineCheck(const LineCheck&) = delete;
  LineCheck& operator=(const LineCheck&) = delete;

  // Starts a check unless one runs; done is called once with its result,
  // from the loop (never from inside Begin).
  void Begin(Question question, std::chrono::milliseconds limit, Done done);
  bool running() const { return static_cast<bool>(done_); }
  void OnEvent(int fd, std::uint32_t events) override;

 private:
  using Clock = std::chrono::steady_clock;

  void OnConnected();
  void OnReadable();
  bool Send(const std::string& bytes);
  void Fail(const std::string& reason);
  // Logged in, the question's request met: no answer in time (answer 0),
  // the connection closed (why), or a failure reply.
  void Unanswered();
  void Closed(const std::string& why);
  void Rejected(std::uint8_t reply, const std::string& reason);
  void Finish();
  void CloseSocket();

  EventLoop& loop_;
  const LineSettings& line_;
  int fd_ = -1;
  int timerFd_ = -1;
  bool connected_ = false;
  Clock::time_point started_;
  Question question_ = Question::kLogin;
  ByteQueue input_;
  std::unique_ptr<UpstreamHandshake> handshake_;
  LineCheckResult result_;
  Done done_;
};
