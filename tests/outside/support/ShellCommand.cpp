#include "tests/outside/support/ShellCommand.h"

#include <cstdio>
#include <cstdlib>

std::string ShellOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

bool ShellSucceeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
