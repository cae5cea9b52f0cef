// One check of the line server on a fresh connection of the proxy's own
// (marked, so that the redirect leaves it alone): connect, greeting and
// login, and, when asked, one UDP ASSOCIATE request, whose answer tells
// whether the line carries UDP at all. A check ends within its time limit.
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
  bool udpRefused = false;   // asked about UDP: the line does not carry it
  std::uint32_t micros = 0;  // from the start to the login's answer
  std::string reason;        // why it failed, or why UDP is not carried
};

class LineCheck final : public EventHandler {
 public:
  using Done = std::function<void(const LineCheckResult&)>;

  LineCheck(EventLoop& loop, const LineSettings& line);
  ~LineCheck();
  LineCheck(const LineCheck&) = delete;
  LineCheck& operator=(const LineCheck&) = delete;

  // Starts a check unless one runs; done is called once with its result,
  // from the loop (never from inside Begin).
  void Begin(bool askUdp, std::chrono::milliseconds limit, Done done);
  bool running() const { return static_cast<bool>(done_); }
  void OnEvent(int fd, std::uint32_t events) override;

 private:
  using Clock = std::chrono::steady_clock;

  void OnConnected();
  void OnReadable();
  bool Send(const std::string& bytes);
  void Fail(const std::string& reason);
  void Finish();
  void CloseSocket();

  EventLoop& loop_;
  const LineSettings& line_;
  int fd_ = -1;
  int timerFd_ = -1;
  bool connected_ = false;
  Clock::time_point started_;
  ByteQueue input_;
  std::unique_ptr<UpstreamHandshake> handshake_;
  LineCheckResult result_;
  Done done_;
};
