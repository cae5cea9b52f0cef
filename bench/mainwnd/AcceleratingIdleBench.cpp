// The front end's cost while a line accelerates and nothing is carried:
// the whole program on the embedded default (configuration server, line
// servers, redirection service, local proxy), its window shown on a
// virtual X display, line 1 accelerating; then 10 s in which no game sends
// anything. Printed: the front end's processor time and its threads'
// wake-ups (voluntary context switches) in those 10 s, and the local
// proxy's beside them. The goal for the front end is 0 ms: the status
// strip's thread sleeps on the proxy's socket, which sends only when its
// counters change. The line probe's round every 30 s may fall into the
// window (a few wake-ups, well below a millisecond).
//
// Needs root (the line servers and the redirection service) and xvfb-run;
// says so and ends otherwise. Run it alone on the machine: the program's
// start ends every "local.exe".
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// User plus system time of the process, in clock ticks.
long long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  if (text.empty()) return 0;
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) stime = std::stoll(field);
  }
  return utime + stime;
}

// Voluntary context switches of each of the process's threads (by thread
// id, with its name): how often each went to sleep, so was woken.
struct ThreadWakes {
  std::string name;
  long long count = 0;
};
std::map<std::string, ThreadWakes> WakeUps(pid_t pid) {
  std::map<std::string, ThreadWakes> threads;
  std::error_code error;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    ThreadWakes& thread = threads[task.path().filename().string()];
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("Name:", 0) == 0) thread.name = line.substr(6);
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) thread.count = std::stoll(line.substr(24));
    }
  }
  return threads;
}

// The wake-ups between two looks, all threads together (a thread that
// ended meanwhile is not counted), and the threads that were woken.
long long WakeUpsBetween(const std::map<std::string, ThreadWakes>& before,
                         const std::map<std::string, ThreadWakes>& after, std::string& woken) {
  long long total = 0;
  for (const auto& [id, thread] : after) {
    const auto earlier = before.find(id);
    const long long wakes = thread.count - (earlier != before.end() ? earlier->second.count : 0);
    total += wakes;
    if (wakes > 0) woken += (woken.empty() ? "" : ", ") + thread.name + " " + std::to_string(wakes);
  }
  return total;
}

// Whether the UTF-16LE log holds the record "]text\r\n".
bool LogHolds(const fs::path& log, const std::u16string& text) {
  std::string record;
  for (char16_t c : u"]" + text + u"\r\n") {
    record.push_back(static_cast<char>(c & 0xFF));
    record.push_back(static_cast<char>(c >> 8));
  }
  std::ifstream in(log, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes.find(record) != std::string::npos;
}

pid_t OneProcessNamed(const std::string& name) {
  pid_t found = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::error_code error;
    const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
    if (!error && exe.filename() == name) found = static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
  }
  return found;
}

bool Service(const char* name, const char* action) {
  const std::string command = std::string(BRISGOL_SOURCE_DIR) + "/scripts/embedded/" + name + ".sh " + action + " '" +
                              BRISGOL_BUILD_DIR + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

int Measure() {
  const fs::path root = fs::temp_directory_path() / ("brisgol-idle-bench-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  const fs::path program = root / "program";
  fs::copy(fs::path(BRISGOL_BUILD_DIR) / "bin", program, fs::copy_options::recursive);
  for (const char* stale : {"log2.log", "config.txt", "WebWhiteList.txt", "OutWebWhiteList.txt"})
    fs::remove(program / stale);
  std::ofstream(program / "local.cfg") << "[config]\ntdx_check=0\n";
  setenv("BRISGOL_ROOT", (root / "machine").c_str(), 1);
  if (!Service("config", "start") || !Service("lines", "start")) {
    std::printf("  the embedded default's servers did not start\n");
    return 1;
  }
  std::string exe = (program / "brisgol").string();
  char* argv[] = {exe.data(), nullptr};
  pid_t pid = -1;
  int result = 1;
  if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ) == 0) {
    const auto start = Clock::now();
    bool accelerating = false;
    while (!accelerating && Clock::now() - start < std::chrono::seconds(60) && waitpid(pid, nullptr, WNOHANG) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      accelerating = LogHolds(program / "log2.log", u"加速成功");
    }
    const pid_t proxy = OneProcessNamed("local.exe");
    if (!accelerating || proxy == 0) {
      std::printf("  line 1 did not accelerate within 60 s (see %s)\n", (program / "log2.log").c_str());
    } else {
      // The portal's first load, the status watch's first report and the
      // probe's first round are over by then.
      std::this_thread::sleep_for(std::chrono::seconds(5));
      const long long cpu = CpuTicks(pid), proxyCpu = CpuTicks(proxy);
      const auto wakes = WakeUps(pid), proxyWakes = WakeUps(proxy);
      std::this_thread::sleep_for(std::chrono::seconds(10));
      const double tick = 1000.0 / sysconf(_SC_CLK_TCK);
      std::string woken, proxyWoken;
      const long long frontWakes = WakeUpsBetween(wakes, WakeUps(pid), woken);
      std::printf("  front end, 10 s accelerating and shown, nothing carried: %.0f ms processor, %lld wake-ups"
                  " (goal 0 ms)%s%s\n",
                  (CpuTicks(pid) - cpu) * tick, frontWakes, woken.empty() ? "" : ": ", woken.c_str());
      const long long localWakes = WakeUpsBetween(proxyWakes, WakeUps(proxy), proxyWoken);
      std::printf("  local proxy in the same 10 s: %.0f ms processor, %lld wake-ups (its one-second tick)\n",
                  (CpuTicks(proxy) - proxyCpu) * tick, localWakes);
      result = 0;
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  Service("lines", "stop");
  Service("config", "stop");
  fs::remove_all(root);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("accelerating and idle (the whole program on the embedded default)\n");
  if (geteuid() != 0) {
    std::printf("  needs root (line servers, redirection service): not measured\n");
    return 0;
  }
  if (getenv("DISPLAY") != nullptr && argc > 1) return Measure();
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
    std::printf("  needs xvfb-run: not measured\n");
    return 0;
  }
  const std::string again = std::string("xvfb-run -a -s '-screen 0 1280x800x24' ") + argv[0] + " xvfb";
  return std::system(again.c_str()) == 0 ? 0 : 1;
}
