// Test support: the real executable started as its own process, found by
// its main window, and ended the way a session ends it (a signal).
#pragma once

#include "platform/window/User32.h"

#include "BuildSettings.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

extern char** environ;

// Holds the configuration server's address with a listener that never
// answers: the program's configuration thread waits there, so its window
// stays up for as long as a test needs it (no outcome arrives).
class SilentConfigServer {
 public:
  SilentConfigServer() { Listen(); }
  ~SilentConfigServer() { close(fd_); }
  SilentConfigServer(const SilentConfigServer&) = delete;
  SilentConfigServer& operator=(const SilentConfigServer&) = delete;
  bool listening() const { return listening_; }
  // The address is machine-wide: a server of another test run may hold it
  // for a while, and a program started meanwhile would be answered. Tries
  // again until the address is ours or the time is up.
  bool WaitUntilListening(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!listening_ && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      Listen();
    }
    return listening_;
  }

 private:
  void Listen() {
    if (fd_ >= 0) close(fd_);
    std::string host = build_settings::kConfigHost;
    size_t colon = host.rfind(':');
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::stoi(host.substr(colon + 1))));
    inet_pton(AF_INET, host.substr(0, colon).c_str(), &address.sin_addr);
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd_, 16) == 0;
  }

  int fd_ = -1;
  bool listening_ = false;
};

class RunningProgram {
 public:
  explicit RunningProgram(const std::filesystem::path& exe) {
    std::string path = exe.string();
    char* argv[] = {path.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~RunningProgram() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Started() const { return pid_ > 0; }

  // Waits up to timeout for a window of the class (the main window, or a
  // message box without owner); null when the process ended first or none
  // appeared.
  HWND WaitForWindow(LPCWSTR className = L"CMainWnd", std::chrono::milliseconds timeout = std::chrono::seconds(20),
                     LPCWSTR otherClass = nullptr) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      if (HWND window = FindWindowW(className, L"Brisgol加速器插件")) return window;
      if (otherClass != nullptr)
        if (HWND window = FindWindowW(otherClass, L"Brisgol加速器插件")) return window;
      if (Reap(false)) return nullptr;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
  }
  bool Signal(int signal) { return pid_ > 0 && !exited_ && kill(pid_, signal) == 0; }
  // Waits up to timeout for the end; the exit code, or -1 (still running,
  // or ended by a signal).
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!Reap(false) && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return exited_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  }
  // Runs to the end: when the main window (or a box of start-up) appears,
  // the session ends it.
  int RunToEnd() {
    if (WaitForWindow(L"CMainWnd", std::chrono::seconds(20), L"CMessageBoxExWnd")) Signal(SIGTERM);
    return Wait();
  }

 private:
  bool Reap(bool block) {
    if (exited_) return true;
    if (waitpid(pid_, &status_, block ? 0 : WNOHANG) == pid_) exited_ = true;
    return exited_;
  }

  pid_t pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
};
