#include "tests/outside/support/UserChild.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

UserChild::~UserChild() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (reports_ >= 0) close(reports_);
  if (hold_ >= 0) close(hold_);
}

bool UserChild::Start(uid_t uid, gid_t gid, const Body& body) {
  int reports[2], hold[2];
  if (pipe2(reports, O_CLOEXEC) != 0) return false;
  if (pipe2(hold, O_CLOEXEC) != 0) {
    close(reports[0]);
    close(reports[1]);
    return false;
  }
  pid_ = fork();
  if (pid_ == 0) {
    close(reports[0]);
    close(hold[1]);
    if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0) _exit(125);
    const auto report = [&](const std::string& text) {
      const std::string line = text + "\n";
      if (write(reports[1], line.data(), line.size()) < 0) _exit(124);
    };
    const auto wait = [&] {
      char byte;
      while (read(hold[0], &byte, 1) > 0) {
      }
    };
    _exit(body(report, wait));
  }
  close(reports[1]);
  close(hold[0]);
  reports_ = reports[0];
  hold_ = hold[1];
  return pid_ > 0;
}

std::string UserChild::Report(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pending_.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd ready{reports_, POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) != 1) return std::string();
    char buffer[256];
    const ssize_t got = read(reports_, buffer, sizeof buffer);
    if (got <= 0) return std::string();
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
  const std::size_t end = pending_.find('\n');
  const std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  return line;
}

int UserChild::Finish() {
  if (hold_ >= 0) {
    close(hold_);
    hold_ = -1;
  }
  if (pid_ <= 0) return -1;
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunAsUser(uid_t uid, gid_t gid, const std::function<int()>& body) {
  UserChild child;
  if (!child.Start(uid, gid, [&](const auto&, const auto&) { return body(); })) return -1;
  return child.Finish();
}
