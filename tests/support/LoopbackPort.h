// Test support: a TCP socket of the test's own on 127.0.0.1, bound to a
// free port (or to a given one) and listening unless asked not to. Closed
// with the object. Shared by the tests and the benchmarks that need a
// line server to connect to, a port nobody listens on, or a port held.
#pragma once

class LoopbackPort {
 public:
  struct Options {
    // 0: a free port of the system's choice.
    int port = 0;
    bool listening = true;
    int backlog = 16;
    // Accepts then return at once when nothing waits.
    bool nonBlocking = false;
  };

  LoopbackPort() : LoopbackPort(Options{}) {}
  explicit LoopbackPort(const Options& options);
  ~LoopbackPort() { Close(); }
  LoopbackPort(const LoopbackPort&) = delete;
  LoopbackPort& operator=(const LoopbackPort&) = delete;

  // A port that was free a moment ago and that nobody listens on now.
  static int ClosedPort();

  // False when the port could not be had (taken, or no socket).
  bool ok() const { return ok_; }
  int port() const { return port_; }
  int fd() const { return fd_; }
  void Close();

 private:
  int fd_ = -1;
  int port_ = 0;
  bool ok_ = false;
};
