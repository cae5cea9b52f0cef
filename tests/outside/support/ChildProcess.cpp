#include "tests/outside/support/ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Stop(SIGKILL, std::chrono::milliseconds(5000));
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& outputPath) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const char* output = outputPath.empty() ? "/dev/null" : outputPath.c_str();
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  // A process group of its own, so that helpers the program forks end with
  // it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const int result = posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) pid_ = -1;
  return result == 0;
}

bool ChildProcess::running() {
  if (pid_ <= 0) return false;
  return Wait(std::chrono::milliseconds(0)) == -1;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return status_;
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      status_ = status;
      return status_;
    }
    if (std::chrono::steady_clock::now() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool ChildProcess::Stop(int signal, std::chrono::milliseconds timeout) {
  if (pid_ <= 0) return true;
  const pid_t group = pid_;
  kill(-group, signal);
  const bool ended = Wait(timeout) != -1;
  if (!ended) {
    kill(-group, SIGKILL);
    Wait(std::chrono::milliseconds(5000));
  }
  // Whatever the program left in its group goes too.
  kill(-group, SIGKILL);
  return ended;
}

bool WaitForTcpPort(int port, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    if (connected) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

int FreeLoopbackPort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int tcp = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(tcp, reinterpret_cast<sockaddr*>(&address), &length);
    const int udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const bool udpFree = bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(udp);
    close(tcp);
    if (udpFree) return ntohs(address.sin_port);
  }
  return -1;
}
