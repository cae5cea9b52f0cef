#include "platform/Processes.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/ProcessObject.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Children started by this process, so that OpenProcess on one of them
// shares what its reaper learns.
std::mutex g_childrenLock;
std::map<pid_t, std::weak_ptr<ChildState>>& Children() {
  static auto* children = new std::map<pid_t, std::weak_ptr<ChildState>>;
  return *children;
}

void StartReaper(pid_t pid, std::shared_ptr<ChildState> child) {
  std::thread([pid, child] {
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    child->state.Update([&] {
      child->ended = true;
      if (child->terminated)
        child->exitCode = child->terminatedCode;
      else if (r == pid && WIFEXITED(status))
        child->exitCode = static_cast<DWORD>(WEXITSTATUS(status));
      else if (r == pid && WIFSIGNALED(status))
        child->exitCode = 128u + static_cast<DWORD>(WTERMSIG(status));
      else
        child->exitCode = 1;
    });
    std::lock_guard<std::mutex> guard(g_childrenLock);
    auto it = Children().find(pid);
    if (it != Children().end() && it->second.lock() == child) Children().erase(it);
  }).detach();
}

// Reads a small file of /proc with plain reads: a process that ends while
// it is read makes the read fail (ESRCH), which is an answer, not an error.
bool ReadProcFile(const std::string& path, std::string& content) {
  content.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[1024];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && content.size() < 65536)
    content.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return n == 0 && !content.empty();
}

struct ProcessInfo {
  pid_t pid;
  pid_t parent;
  std::wstring image;
};

// The image name of a running process: the file name of its executable.
// Zombies and kernel threads have none and are not listed.
bool ReadProcess(pid_t pid, ProcessInfo& info) {
  std::string base = "/proc/" + std::to_string(pid);
  std::string stat;
  if (!ReadProcFile(base + "/stat", stat)) return false;
  size_t open = stat.find('('), close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 4 >= stat.size()) return false;
  char state = stat[close + 2];
  if (state == 'Z' || state == 'X') return false;
  info.pid = pid;
  info.parent = static_cast<pid_t>(std::atoi(stat.c_str() + close + 4));
  char target[4096];
  ssize_t n = ::readlink((base + "/exe").c_str(), target, sizeof target - 1);
  std::string name;
  if (n > 0) {
    std::string path(target, static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
      path.resize(path.size() - deleted.size());
    name = path.substr(path.find_last_of('/') + 1);
  } else {
    if (stat.find("(kthreadd)") != std::string::npos || info.parent == 2 || pid == 2) return false;
    name = stat.substr(open + 1, close - open - 1);  // no access to the link: the kernel's short name
  }
  info.image = Utf8ToWideString(name);
  return true;
}

class SnapshotObject final : public KernelObject {
 public:
  std::vector<ProcessInfo> processes;
  size_t next = 0;
};

BOOL FillEntry(SnapshotObject* snapshot, PROCESSENTRY32W* entry) {
  if (!snapshot || !entry) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (snapshot->next >= snapshot->processes.size()) {
    SetLastError(18);  // ERROR_NO_MORE_FILES
    return FALSE;
  }
  const ProcessInfo& p = snapshot->processes[snapshot->next++];
  entry->th32ProcessID = static_cast<DWORD>(p.pid);
  entry->th32ParentProcessID = static_cast<DWORD>(p.parent);
  size_t n = std::min(p.image.size(), static_cast<size_t>(MAX_PATH - 1));
  std::wmemcpy(entry->szExeFile, p.image.data(), n);
  entry->szExeFile[n] = 0;
  return TRUE;
}

bool ProcessExists(pid_t pid) {
  ProcessInfo info;
  return ReadProcess(pid, info);
}

}  // namespace

DWORD ProcessObject::Wait(DWORD milliseconds) {
  if (child_) return child_->state.WaitUntil(milliseconds, [this] { return child_->ended; }, [] {});
  // Not our child: watch it through a pidfd where the kernel has them.
  int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  if (fd < 0) return ProcessExists(pid_) ? WAIT_FAILED : WAIT_OBJECT_0;
  pollfd p{fd, POLLIN, 0};
  int timeout = milliseconds == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, 0x7FFFFFFF));
  int r;
  do {
    r = ::poll(&p, 1, timeout);
  } while (r < 0 && errno == EINTR);
  ::close(fd);
  if (r < 0) return WAIT_FAILED;
  return r == 0 ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
  if (!(flags & TH32CS_SNAPPROCESS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  DIR* proc = ::opendir("/proc");
  if (!proc) {
    SetLastError(Win32ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  auto* snapshot = new SnapshotObject;
  while (dirent* e = ::readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end) continue;
    ProcessInfo info;
    if (ReadProcess(static_cast<pid_t>(pid), info)) snapshot->processes.push_back(std::move(info));
  }
  ::closedir(proc);
  std::sort(snapshot->processes.begin(), snapshot->processes.end(),
            [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
  return snapshot;
}

BOOL Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry) {
  auto* s = HandleAs<SnapshotObject>(snapshot);
  if (s) s->next = 0;
  return FillEntry(s, entry);
}

BOOL Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry) { return FillEntry(HandleAs<SnapshotObject>(snapshot), entry); }

HANDLE OpenProcess(DWORD, BOOL, DWORD processId) {
  auto pid = static_cast<pid_t>(processId);
  if (pid <= 0 || !ProcessExists(pid)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (::kill(pid, 0) != 0 && errno == EPERM) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::shared_ptr<ChildState> child;
  {
    std::lock_guard<std::mutex> guard(g_childrenLock);
    auto it = Children().find(pid);
    if (it != Children().end()) child = it->second.lock();
  }
  return new ProcessObject(pid, std::move(child));
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
  auto* p = HandleAs<ProcessObject>(process);
  if (!p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (const auto& child = p->child()) {
    bool ended = false;
    child->state.Update([&] {
      ended = child->ended;
      if (!ended) {
        child->terminated = true;
        child->terminatedCode = exitCode;
      }
    });
    if (ended) {
      SetLastError(ERROR_ACCESS_DENIED);  // as Windows says for a process that has ended
      return FALSE;
    }
  }
  if (::kill(p->pid(), SIGKILL) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  auto* p = HandleAs<ProcessObject>(process);
  if (!p || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (const auto& child = p->child()) {
    *exitCode = child->state.Inspect([&] { return child->ended ? child->exitCode : STILL_ACTIVE; });
  } else {
    *exitCode = ProcessExists(p->pid()) ? STILL_ACTIVE : 0;
  }
  return TRUE;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

DWORD GetProcessId(HANDLE process) {
  auto* p = HandleAs<ProcessObject>(process);
  return p ? static_cast<DWORD>(p->pid()) : 0;
}

void GetStartupInfoW(STARTUPINFOW* info) {
  if (info) *info = STARTUPINFOW{};
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  // The rules of CommandLineToArgvW: blanks separate arguments, quotes group,
  // 2n backslashes before a quote give n backslashes and a quote toggles,
  // 2n+1 give n backslashes and a literal quote; "" inside quotes is a quote.
  std::vector<std::wstring> args;
  size_t i = 0, n = commandLine.size();
  while (i < n) {
    while (i < n && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
    if (i >= n) break;
    std::wstring arg;
    bool quoted = false;
    while (i < n && (quoted || (commandLine[i] != L' ' && commandLine[i] != L'\t'))) {
      if (commandLine[i] == L'\\') {
        size_t slashes = 0;
        while (i < n && commandLine[i] == L'\\') {
          ++slashes;
          ++i;
        }
        if (i < n && commandLine[i] == L'"') {
          arg.append(slashes / 2, L'\\');
          if (slashes % 2) {
            arg += L'"';
            ++i;
          }
        } else {
          arg.append(slashes, L'\\');
        }
      } else if (commandLine[i] == L'"') {
        if (quoted && i + 1 < n && commandLine[i + 1] == L'"') {
          arg += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += commandLine[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*,
                    BOOL inheritHandles, DWORD, void* environment, LPCWSTR currentDirectory,
                    STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation) {
  std::vector<std::wstring> words = commandLine ? SplitCommandLine(commandLine) : std::vector<std::wstring>{};
  std::vector<std::string> argv;
  std::string program;
  bool searchPath = false;
  if (applicationName && *applicationName) {
    program = ToNativePath(applicationName);
    argv.push_back(program);
  } else if (!words.empty()) {
    program = ToNativePath(words.front());
    searchPath = program.find('/') == std::string::npos;
    argv.push_back(program);
    words.erase(words.begin());
  } else {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  for (const auto& w : words) argv.push_back(WideToUtf8String(w));

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (startupInfo && (startupInfo->dwFlags & STARTF_USESTDHANDLES) && inheritHandles) {
    auto redirect = [&actions](HANDLE h, int target) {
      if (auto* pipe = HandleAs<PipeObject>(h)) posix_spawn_file_actions_adddup2(&actions, pipe->fd(), target);
    };
    redirect(startupInfo->hStdInput, 0);
    redirect(startupInfo->hStdOutput, 1);
    redirect(startupInfo->hStdError, 2);
  }
  // Nothing but the standard handles passes to the child.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  std::string directory;
  if (currentDirectory && *currentDirectory) {
    directory = ToNativePath(currentDirectory);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The child starts with default signal handling and an empty mask.
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  char** env = environment ? static_cast<char**>(environment) : environ;

  pid_t pid = 0;
  std::shared_ptr<ChildState> child = std::make_shared<ChildState>();
  int err;
  {
    // Registering under the lock keeps the reaper from racing the table.
    std::lock_guard<std::mutex> guard(g_childrenLock);
    err = searchPath ? ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, args.data(), env)
                     : ::posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), env);
    if (err == 0) Children()[pid] = child;
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (err != 0) {
    SetLastError(Win32ErrorFromErrno(err));
    return FALSE;
  }
  StartReaper(pid, child);
  if (processInformation) {
    processInformation->hProcess = new ProcessObject(pid, child);
    processInformation->hThread = new ProcessObject(pid, child);  // the main thread ends with the process
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
  }
  return TRUE;
}
