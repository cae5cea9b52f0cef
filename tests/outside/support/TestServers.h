// Loopback servers the tests and benchmarks send their traffic to.
#pragma once

#include <atomic>
#include <thread>

// A TCP server on 127.0.0.1 in a thread of its own. kEcho sends back what
// it receives; kSink reads until the end of stream and then answers with
// one byte "K" (for bulk transfers).
class TcpTestServer {
 public:
  enum class Mode { kEcho, kSink };
  explicit TcpTestServer(Mode mode);
  ~TcpTestServer();
  TcpTestServer(const TcpTestServer&) = delete;
  TcpTestServer& operator=(const TcpTestServer&) = delete;

  int port() const { return port_; }

 private:
  void Run();

  Mode mode_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// A UDP echo server on 127.0.0.1.
class UdpEchoServer {
 public:
  UdpEchoServer();
  ~UdpEchoServer();
  UdpEchoServer(const UdpEchoServer&) = delete;
  UdpEchoServer& operator=(const UdpEchoServer&) = delete;

  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
