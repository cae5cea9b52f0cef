// Figures of the program's start: the time from starting the process to
// the main window's first paint (its window-init runs in the first paint;
// the portal browser is not counted), the resident memory just after it,
// and the processor time used while the window then sits idle for 10 s
// (the goal is none: nothing polls). The configuration address is held by
// a listener that never answers, so the program stays idle and sends
// nothing anywhere. Runs without a display (windows in memory) and, when
// xvfb-run is there, once more on a virtual X display with real windows.
#include "BuildSettings.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The record window-init writes first ("初始化"), as UTF-16LE bytes.
const std::string kInitRecord("]\x00\x1d\x52\xcb\x59\x16\x53\x0d\x00", 10);

int HoldConfigAddress() {
  std::string host = build_settings::kConfigHost;
  size_t colon = host.rfind(':');
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(std::stoi(host.substr(colon + 1))));
  inet_pton(AF_INET, host.substr(0, colon).c_str(), &address.sin_addr);
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0)
    std::printf("  (the configuration address %s is in use; figures may include its answer)\n", host.c_str());
  return fd;
}

bool FileHolds(const fs::path& path, const std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str().find(bytes) != std::string::npos;
}

// A "Name: value kB" field of the process's status; -1 when missing.
long StatusKiB(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

// User plus system time of the process, in clock ticks.
long long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) stime = std::stoll(field);
  }
  return utime + stime;
}

void Measure(const char* label) {
  fs::path root = fs::temp_directory_path() / ("brisgol-bench-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "program");
  setenv("BRISGOL_ROOT", root.c_str(), 1);
  fs::path exe = root / "program" / "brisgol";
  fs::copy_file(BRISGOL_BUILT_PROGRAM, exe);
  fs::path log = root / "program" / "log2.log";

  std::printf("%s:\n", label);
  const auto start = Clock::now();
  pid_t pid = -1;
  std::string path = exe.string();
  char* argv[] = {path.data(), nullptr};
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
    std::printf("  the program did not start\n");
    return;
  }
  bool painted = false;
  while (Clock::now() - start < std::chrono::seconds(20)) {
    if (FileHolds(log, kInitRecord)) {
      painted = true;
      break;
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) break;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  const double firstPaintMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (!painted) {
    std::printf("  no first paint within 20 s\n");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return;
  }
  std::printf("  process start to first paint: %.1f ms (goal <= 150 ms)\n", firstPaintMs);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::printf("  resident memory after first paint: %.1f MiB (goal <= 35 MiB)\n", StatusKiB(pid, "VmRSS") / 1024.0);
  // Mapped files are mostly shared libraries, shared with other programs.
  std::printf("    of which own memory %.1f MiB, mapped files %.1f MiB\n", StatusKiB(pid, "RssAnon") / 1024.0,
              StatusKiB(pid, "RssFile") / 1024.0);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  long long before = CpuTicks(pid);
  std::this_thread::sleep_for(std::chrono::seconds(10));
  long long used = CpuTicks(pid) - before;
  std::printf("  processor time while idle for 10 s: %.0f ms (goal 0)\n", used * 1000.0 / sysconf(_SC_CLK_TCK));
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  std::printf("  ended by SIGTERM with exit code %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  fs::remove_all(root);
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  // The run on the virtual display inherits the listener of its parent.
  const bool rerun = argc > 1;
  int holder = rerun ? -1 : HoldConfigAddress();
  if (getenv("DISPLAY") != nullptr) {
    Measure(rerun ? "real windows (virtual X display)" : "real windows (this display)");
  } else {
    Measure("windows in memory (no display)");
    if (std::system("command -v xvfb-run >/dev/null 2>&1") == 0) {
      std::string again = std::string("xvfb-run -a -s '-screen 0 1280x800x24' ") + argv[0] + " xvfb";
      if (std::system(again.c_str()) != 0) return 1;
    }
  }
  if (holder >= 0) close(holder);
  return 0;
}
