#include "tests/outside/support/ChildReport.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

std::string RunInChild(const std::function<std::string()>& body) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return "pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    std::string failure = body();
    if (failure.empty()) failure = "passed";
    if (write(report[1], failure.data(), failure.size()) < 0) _exit(2);
    _exit(0);
  }
  close(report[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(report[0]);
  waitpid(child, nullptr, 0);
  return text == "passed" ? std::string() : text.empty() ? "the child died" : text;
}
