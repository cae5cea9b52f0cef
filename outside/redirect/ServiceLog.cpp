#include "outside/redirect/ServiceLog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

void ServiceLog::Write(const std::string& text) {
  struct stat status {};
  if (fstat(fd_, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > kMaxBytes && ftruncate(fd_, 0) == 0) {
    Write("the log grew past " + std::to_string(kMaxBytes) + " bytes and was begun anew");
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  const std::string line = "[" + std::string(stamp) + "] brisgol-redirectd: " + text + "\n";
  for (std::size_t done = 0; done < line.size();) {
    const ssize_t n = write(fd_, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}
