// Figures of the program's start: the time from starting the process to
// the main window's first paint, the resident memory at that moment, and
// the processor time used while the window then sits idle for 10 s (the
// goal is none: nothing polls).
//
// The first paint: window-init runs in the first paint's layout and queues
// the rest of its steps (the portal's browser engine, the acceleration
// clean-up, the configuration thread) to run right after that paint; the
// queued call writes the log record "主窗口已显示" first. The bench stops
// the process (SIGSTOP) as soon as it sees that record, reads its resident
// memory and lets it go on: the browser, whose engine is loaded once the
// display has drawn the window, is not counted, nor is the configuration
// thread. The resident memory 2 s later, with the portal's engine loaded
// on a display, is shown for information. The figures are those of a
// usual start: the first start on a machine (firewall registration) runs
// before it and only its time is shown.
//
// The configuration address is held by a listener that never answers, so
// the program stays idle and sends nothing anywhere. Runs without a
// display (windows in memory; there is no browser engine then) and, when
// xvfb-run is there, once more on a virtual X display with real windows.
//
// Wall times on a shared machine are noisy: each figure is the median of
// several starts (BENCH_STARTS, 7 unless set), with the fastest and the
// slowest shown beside it. The bench waits for the record without polling
// (inotify on the program's directory), so that it takes no processor time
// from the program it measures.
#include "BuildSettings.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A log record's text with the bracket before it and the line end after
// it, as the log holds it (UTF-16LE).
std::string LogRecordBytes(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : u"]" + text + u"\r\n") {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// Written first thing after the first paint.
const std::string kFirstPaintRecord = LogRecordBytes(u"主窗口已显示");

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

// Mapped files are mostly shared libraries, shared with other programs.
void PrintResident(pid_t pid, const char* what, const char* goal) {
  std::printf("  %s: %.1f MiB%s\n", what, StatusKiB(pid, "VmRSS") / 1024.0, goal);
  std::printf("    of which own memory %.1f MiB, mapped files %.1f MiB\n", StatusKiB(pid, "RssAnon") / 1024.0,
              StatusKiB(pid, "RssFile") / 1024.0);
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

// Starts the program and stops it (SIGSTOP) at its first-paint record; the
// milliseconds from the start to then, or -1 (said why) when there was no
// first paint within 20 s.
double StartToFirstPaint(const fs::path& exe, const fs::path& log, pid_t& pid) {
  // Every write to the log wakes the wait below; nothing polls meanwhile.
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  inotify_add_watch(watch, log.parent_path().c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE);
  const auto start = Clock::now();
  std::string path = exe.string();
  char* argv[] = {path.data(), nullptr};
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
    std::printf("  the program did not start\n");
    close(watch);
    return -1;
  }
  bool painted = false;
  while (Clock::now() - start < std::chrono::seconds(20)) {
    if (FileHolds(log, kFirstPaintRecord)) {
      painted = kill(pid, SIGSTOP) == 0;
      break;
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) break;
    pollfd ready{watch, POLLIN, 0};
    if (poll(&ready, 1, 50) > 0) {
      char events[4096];
      while (read(watch, events, sizeof events) > 0) {
      }
    }
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  close(watch);
  if (painted) return ms;
  std::printf("  no first paint within 20 s\n");
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

void EndStopped(pid_t pid) {
  kill(pid, SIGTERM);
  kill(pid, SIGCONT);
  waitpid(pid, nullptr, 0);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int StartsToMeasure() {
  const char* text = getenv("BENCH_STARTS");
  const int starts = text != nullptr ? std::atoi(text) : 7;
  return std::clamp(starts, 1, 100);
}

void Measure(const char* label) {
  fs::path root = fs::temp_directory_path() / ("brisgol-bench-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "program");
  setenv("BRISGOL_ROOT", root.c_str(), 1);
  fs::path exe = root / "program" / "brisgol";
  fs::copy_file(BRISGOL_BUILT_PROGRAM, exe);
  // The portal's engine, the transfer module and the certificate are the
  // program's too.
  const fs::path built = fs::path(BRISGOL_BUILT_PROGRAM).parent_path();
  for (const char* module : {"brisgol-webkit.so", "brisgol-http.so"})
    fs::copy_file(built / module, root / "program" / module);
  if (fs::exists(built / "portal")) fs::copy(built / "portal", root / "program" / "portal", fs::copy_options::recursive);
  fs::path log = root / "program" / "log2.log";

  std::printf("%s:\n", label);
  // The first start on a machine registers the program with the firewall
  // (three entries written and flushed to disk); the figures are those of
  // the start after it, as every later start is.
  pid_t pid = -1;
  const double firstStartMs = StartToFirstPaint(exe, log, pid);
  if (firstStartMs < 0) return;
  EndStopped(pid);
  std::printf("  first start on this machine, to first paint: %.1f ms\n", firstStartMs);
  // The starts after it; the last one stays for the figures that follow.
  const int starts = StartsToMeasure();
  std::vector<double> times, totalKiB, ownKiB, fileKiB;
  for (int i = 0; i < starts; ++i) {
    fs::remove(log);
    const double ms = StartToFirstPaint(exe, log, pid);
    if (ms < 0) return;
    times.push_back(ms);
    totalKiB.push_back(static_cast<double>(StatusKiB(pid, "VmRSS")));
    ownKiB.push_back(static_cast<double>(StatusKiB(pid, "RssAnon")));
    fileKiB.push_back(static_cast<double>(StatusKiB(pid, "RssFile")));
    if (i + 1 < starts) EndStopped(pid);
  }
  std::printf("  process start to first paint: %.1f ms median of %d starts (fastest %.1f, slowest %.1f)"
              " (goal <= 150 ms)\n",
              Median(times), starts, *std::min_element(times.begin(), times.end()),
              *std::max_element(times.begin(), times.end()));
  std::printf("  resident memory at first paint: %.1f MiB median (goal <= 35 MiB)\n",
              Median(totalKiB) / 1024.0);
  std::printf("    of which own memory %.1f MiB, mapped files %.1f MiB (medians)\n", Median(ownKiB) / 1024.0,
              Median(fileKiB) / 1024.0);
  kill(pid, SIGCONT);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  PrintResident(pid, "resident memory 2 s later (with the portal's engine, on a display)", " (not counted)");
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
