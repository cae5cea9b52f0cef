#include "tests/packaging/support/TestPlayer.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

bool Succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// What a test process passes on to the programs it runs for a player: the
// display, and the sanitizers' settings of a sanitizer build.
constexpr const char* kPassedOn[] = {"DISPLAY", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "NO_AT_BRIDGE"};

}  // namespace

TestPlayer::TestPlayer(const std::string& tag) : name_("bgp" + tag + std::to_string(getpid())) {
  if (!Succeeds("useradd --create-home --shell /bin/sh --user-group '" + name_ + "'")) return;
  const passwd* entry = getpwnam(name_.c_str());
  if (entry == nullptr) return;
  uid_ = entry->pw_uid;
  gid_ = entry->pw_gid;
  home_ = entry->pw_dir;
  // The display's cookie, readable by the player alone.
  if (const char* authority = std::getenv("XAUTHORITY")) {
    const std::string copy = home_ + "/.Xauthority";
    std::error_code error;
    std::filesystem::copy_file(authority, copy, std::filesystem::copy_options::overwrite_existing, error);
    if (!error && (chown(copy.c_str(), uid_, gid_) != 0 || chmod(copy.c_str(), 0600) != 0)) std::remove(copy.c_str());
  }
}

TestPlayer::~TestPlayer() {
  if (!Created()) return;
  for (int round = 0; round < 50; ++round) {
    const std::vector<pid_t> left = Processes();
    if (left.empty()) break;
    for (pid_t pid : left) kill(pid, round < 20 ? SIGTERM : SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Succeeds("userdel --remove '" + name_ + "'");
}

std::vector<std::string> TestPlayer::Environment(const std::vector<std::string>& extra) const {
  std::string path = "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> environment{"HOME=" + home_, "USER=" + name_, "LOGNAME=" + name_, "SHELL=/bin/sh",
                                       "LANG=C.UTF-8"};
  if (std::filesystem::exists(home_ + "/.Xauthority")) environment.push_back("XAUTHORITY=" + home_ + "/.Xauthority");
  for (const char* name : kPassedOn)
    if (const char* value = std::getenv(name)) environment.push_back(std::string(name) + "=" + value);
  for (const std::string& entry : extra) {
    if (entry.rfind("PATH=", 0) == 0)
      path = entry.substr(5) + ":" + path;
    else
      environment.push_back(entry);
  }
  environment.push_back("PATH=" + path);
  return environment;
}

void TestPlayer::Prepare(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         Launch& launch) const {
  launch.words = argv;
  launch.entries = Environment(environment);
  for (const std::string& entry : launch.entries)
    if (entry.rfind("PATH=", 0) == 0) launch.path = entry.substr(5);
  int count = 32;
  launch.groups.resize(static_cast<size_t>(count));
  if (getgrouplist(name_.c_str(), gid_, launch.groups.data(), &count) < 0) {
    launch.groups.resize(static_cast<size_t>(count));
    getgrouplist(name_.c_str(), gid_, launch.groups.data(), &count);
  }
  launch.groups.resize(static_cast<size_t>(count));
  for (std::string& word : launch.words) launch.args.push_back(word.data());
  launch.args.push_back(nullptr);
  for (std::string& entry : launch.entries) launch.env.push_back(entry.data());
  launch.env.push_back(nullptr);
}

// In the forked child: only what is safe after fork.
void TestPlayer::Become(Launch& launch) const {
  setsid();
  if (setgroups(launch.groups.size(), launch.groups.data()) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0)
    _exit(125);
  if (chdir(home_.c_str()) != 0) _exit(125);
  if (launch.words[0].find('/') != std::string::npos) {
    execve(launch.args[0], launch.args.data(), launch.env.data());
  } else {
    // PATH lookup by hand: the child must not change its environment.
    size_t start = 0;
    while (start <= launch.path.size()) {
      size_t colon = launch.path.find(':', start);
      if (colon == std::string::npos) colon = launch.path.size();
      char candidate[4096];
      const size_t length = colon - start;
      if (length + 1 + launch.words[0].size() + 1 < sizeof candidate) {
        std::memcpy(candidate, launch.path.data() + start, length);
        candidate[length] = '/';
        std::memcpy(candidate + length + 1, launch.words[0].c_str(), launch.words[0].size() + 1);
        execve(candidate, launch.args.data(), launch.env.data());
      }
      start = colon + 1;
    }
  }
  _exit(127);
}

int TestPlayer::Run(const std::vector<std::string>& argv, std::string& output,
                    const std::vector<std::string>& environment) const {
  output.clear();
  int pipeFds[2];
  if (!Created() || argv.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  Launch launch;
  Prepare(argv, environment, launch);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);
    Become(launch);
  }
  close(pipeFds[1]);
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t TestPlayer::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                        const std::string& outputPath) const {
  if (!Created() || argv.empty()) return -1;
  Launch launch;
  Prepare(argv, environment, launch);
  const pid_t child = fork();
  if (child != 0) return child;
  const int out = open(outputPath.empty() ? "/dev/null" : outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  const int null = open("/dev/null", O_RDONLY);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  if (null >= 0) dup2(null, STDIN_FILENO);
  Become(launch);
}

std::vector<pid_t> TestPlayer::Processes() const {
  std::vector<pid_t> pids;
  if (!Created()) return pids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string id = entry.path().filename();
    if (id.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat st{};
    if (stat(entry.path().c_str(), &st) == 0 && st.st_uid == uid_) pids.push_back(std::stoi(id));
  }
  return pids;
}
