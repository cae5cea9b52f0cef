// A child program started by a test or benchmark, ended and reaped by its
// owner (never left behind).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (a path, or a name looked up on PATH) with standard
  // output and error going to outputPath ("" = /dev/null).
  bool Start(const std::vector<std::string>& argv, const std::string& outputPath = "");

  pid_t pid() const { return pid_; }
  bool running();

  // Sends signal to the child's process group; waits up to timeout for the
  // child's end (then kills the group). True when it ended in time.
  bool Stop(int signal, std::chrono::milliseconds timeout);
  // Waits for the end; the exit status as from waitpid, -1 on timeout.
  int Wait(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// Waits until a TCP connection to 127.0.0.1:port succeeds.
bool WaitForTcpPort(int port, std::chrono::milliseconds timeout);
// A loopback port free for TCP and UDP at the time of asking.
int FreeLoopbackPort();
