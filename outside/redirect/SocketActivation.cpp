#include "outside/redirect/SocketActivation.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

bool TakeActivatedSocket() {
  const char* pid = std::getenv("LISTEN_PID");
  const char* count = std::getenv("LISTEN_FDS");
  const bool ours = pid != nullptr && count != nullptr && std::string(pid) == std::to_string(getpid()) &&
                    std::string(count) == "1";
  unsetenv("LISTEN_PID");
  unsetenv("LISTEN_FDS");
  unsetenv("LISTEN_FDNAMES");
  return ours;
}
