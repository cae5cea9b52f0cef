#include "outside/proxysdk/RedirectClient.h"

#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Starting as root takes a moment; a privilege prompt waits for the user.
constexpr std::chrono::milliseconds kRootStartWait{3000};
constexpr std::chrono::seconds kPromptWait{60};

bool ProgramExists(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

std::string FindPkexec() {
  for (const char* path : {"/usr/bin/pkexec", "/bin/pkexec"})
    if (ProgramExists(path)) return path;
  return std::string();
}

// Starts argv[0] in a session of its own; its pid, or -1.
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

bool Pings() {
  std::string ignored;
  return AskRedirectService(RedirectRequest{}, ignored);
}

// Waits until the service answers or the starter ended without it.
bool WaitForService(pid_t starter, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  bool starterDone = false;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Pings()) {
      if (!starterDone) waitpid(starter, nullptr, WNOHANG);
      return true;
    }
    if (!starterDone && waitpid(starter, nullptr, WNOHANG) == starter) {
      starterDone = true;
      // The service daemon outlives pkexec only as its own child; a
      // finished starter may still leave it coming up for a moment.
      if (Pings()) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace

std::string LibraryDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || info.dli_fname == nullptr) return ".";
  std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool EnsureRedirectService(std::string& error) {
  if (Pings()) return true;
  const std::string service = LibraryDirectory() + "/" + kRedirectServiceName;
  if (!ProgramExists(service)) {
    error = "the redirection service " + service + " is missing; reinstall the program";
    return false;
  }
  const std::string user = std::to_string(getuid());
  if (geteuid() == 0) {
    const pid_t starter = Spawn({service, "--user", user});
    if (starter > 0 && WaitForService(starter, kRootStartWait)) return true;
    error = std::string("the redirection service did not start; see ") + kRedirectLogFile;
    return false;
  }
  const std::string pkexec = FindPkexec();
  if (!pkexec.empty()) {
    const pid_t starter = Spawn({pkexec, service, "--user", user});
    if (starter > 0 && WaitForService(starter, kPromptWait)) return true;
  }
  error = "the redirection service needs root once per session and could not be started" +
          std::string(pkexec.empty() ? " (pkexec is missing)" : " (the privilege prompt was refused)") +
          ": start it with \"sudo " + service + " --user " + user + " &\", then choose the line again";
  return false;
}
