#include "outside/proxysdk/ServiceStarter.h"

#include "outside/proxysdk/RedirectClient.h"
#include "outside/proxysdk/SdkLog.h"
#include "outside/proxysdk/TrustedPath.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr std::chrono::milliseconds kPollInterval{50};

bool Pings() {
  std::string ignored;
  return AskRedirectService(RedirectRequest{}, ignored);
}

std::string FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= directories.size()) {
    const std::size_t colon = directories.find(':', start);
    const std::size_t length = colon == std::string::npos ? std::string::npos : colon - start;
    const std::string directory = directories.substr(start, length);
    const std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return std::string();
}

// Starts words[0] in a session of its own; its pid, or -1.
pid_t Spawn(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int result = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : -1;
}

// The starter keeps running while the service does (it is the service, or
// pkexec waiting for it); whoever ends first, nothing stays a zombie.
void ReapLater(pid_t pid) {
  std::thread([pid] {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

enum class Outcome { kAnswers, kStarterFailed, kTimedOut };

// Waits until the service answers, the starter ends without it, or the
// wait is over (the starter is then ended). status: the starter's exit
// status when it ended.
Outcome WaitForService(pid_t starter, std::chrono::milliseconds wait, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (Pings()) {
      ReapLater(starter);
      return Outcome::kAnswers;
    }
    int raw = 0;
    if (waitpid(starter, &raw, WNOHANG) == starter) {
      // A copy that was already starting may answer a moment later.
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      for (int i = 0; i < 10 && status == 0; ++i) {
        if (Pings()) return Outcome::kAnswers;
        std::this_thread::sleep_for(kPollInterval);
      }
      return Outcome::kStarterFailed;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(starter, SIGTERM);
      ReapLater(starter);
      return Outcome::kTimedOut;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::string Remedy(const std::string& service) {
  return "install the package (sudo apt install ./brisgol_1.0.4_amd64.deb), or start the service as root "
         "(sudo " + service + " &), then restart the program (a failed start is not tried again while it runs)";
}

}  // namespace

ServiceStarter& ServiceStarter::Instance() {
  static ServiceStarter* starter = new ServiceStarter;
  return *starter;
}

bool ServiceStarter::Ensure(std::string& error) {
  if (Pings()) return true;
  std::unique_lock<std::mutex> guard(lock_);
  finished_.wait(guard, [this] { return state_ != State::kStarting; });
  if (state_ == State::kFailed) {
    error = failure_;
    return false;
  }
  // A prompt is shown once per run; as root a service that ended since is
  // simply started again.
  if (state_ == State::kStarted && geteuid() != 0) {
    error = "the redirection service ended; " + Remedy(LibraryDirectory() + "/" + kRedirectServiceName);
    return false;
  }
  state_ = State::kStarting;
  guard.unlock();
  std::string why;
  const bool started = Start(why);
  if (!started) LogFailure(__FILE__, __LINE__, why);
  guard.lock();
  state_ = started ? State::kStarted : State::kFailed;
  failure_ = why;
  finished_.notify_all();
  error = why;
  return started;
}

bool ServiceStarter::Start(std::string& error) {
  const std::string service = LibraryDirectory() + "/" + kRedirectServiceName;
  if (access(service.c_str(), X_OK) != 0) {
    error = "the redirection service " + service + " is missing; reinstall the program";
    return false;
  }
  int status = 0;
  if (geteuid() == 0) {
    const pid_t starter = Spawn({service});
    if (starter > 0 && WaitForService(starter, kRootStartWait, status) == Outcome::kAnswers) return true;
    error = "the redirection service " + service + " did not start; see " + kRedirectLogFile;
    return false;
  }
  std::string why;
  if (!OnlyRootCanChange(service, why)) {
    error = "the redirection service runs as root, so " + service +
            " is not started with a privilege prompt: " + why + "; " + Remedy(service);
    return false;
  }
  const std::string pkexec = FindInPath("pkexec");
  if (pkexec.empty()) {
    error = "the redirection service does not run and pkexec (polkit) is missing; " + Remedy(service);
    return false;
  }
  const pid_t starter = Spawn({pkexec, service});
  const Outcome outcome =
      starter > 0 ? WaitForService(starter, kPromptWait, status) : Outcome::kStarterFailed;
  if (outcome == Outcome::kAnswers) return true;
  error = outcome == Outcome::kTimedOut
              ? "the privilege prompt to start the redirection service was not answered in time; " + Remedy(service)
              : "the privilege prompt to start the redirection service was refused or failed (pkexec ended with " +
                    std::to_string(status) + "); " + Remedy(service);
  return false;
}
