#include "tests/outside/support/RedirectServiceStop.h"

#include "outside/redirect/RedirectPaths.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

void StopRedirectService() {
  std::ifstream file(kRedirectLockFile);
  long pid = 0;
  if (!(file >> pid) || pid <= 1 || kill(static_cast<pid_t>(pid), SIGTERM) != 0) return;
  for (int i = 0; i < 100 && kill(static_cast<pid_t>(pid), 0) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
