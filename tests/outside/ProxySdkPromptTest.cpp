// How the redirection library starts the service for an ordinary user,
// with a stand-in pkexec in PATH: one prompt per run whatever the
// installation's fallbacks ask, the wait ends when the prompt does, a line
// switch meanwhile (DeleteRuleAll) does not wait for it, and no prompt at
// all for a service an ordinary user could replace. The library is a copy
// loaded (dlopen) from the directory under test, by a child running as
// another user.
#include "outside/drivers/DriverFile.h"
#include "outside/redirect/RedirectPaths.h"
#include "tests/outside/support/UserChild.h"
#include "tests/support/TempMachineRoot.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kPlayer = 4242;
using Clock = std::chrono::steady_clock;

long Milliseconds(Clock::duration duration) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

void WriteProgram(const fs::path& path, const std::string& text) {
  std::ofstream(path) << text;
  chmod(path.c_str(), 0755);
}

// The library's functions, from the copy in a program directory.
struct Library {
  explicit Library(const fs::path& directory) {
    handle = dlopen((directory / "proxysdk.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return;
    initDriverFirst = reinterpret_cast<int (*)()>(dlsym(handle, "InitDriverFirst"));
    initDriver = reinterpret_cast<decltype(initDriver)>(dlsym(handle, "InitDriver"));
    driverIsRun = reinterpret_cast<int (*)()>(dlsym(handle, "DriverIsRun"));
    deleteRuleAll = reinterpret_cast<int (*)()>(dlsym(handle, "DeleteRuleAll"));
  }
  bool loaded() const { return initDriverFirst && initDriver && driverIsRun && deleteRuleAll; }
  void* handle = nullptr;
  int (*initDriverFirst)() = nullptr;
  int (*initDriver)(const char*, const char*, const char*, const char*) = nullptr;
  int (*driverIsRun)() = nullptr;
  int (*deleteRuleAll)() = nullptr;
};

class ProxySdkPrompt : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a root-owned program directory and to run a player";
    // Root's own program directory, below the sticky /tmp: only root can
    // change what is in it.
    trusted_ = root_.path() / "trusted";
    // The player's own copy: the player could replace the service.
    untrusted_ = root_.path() / "player";
    for (const fs::path& dir : {trusted_, untrusted_}) {
      fs::create_directories(dir);
      fs::copy_file(fs::path(std::getenv("BRISGOL_PROGRAM_DIR")) / "proxysdk.dll", dir / "proxysdk.dll");
      // A stand-in service: it answers pings for a few seconds.
      WriteProgram(dir / kRedirectServiceName,
                   "#!/usr/bin/python3\n"
                   "import os, socket\n"
                   "open(os.environ['PROMPT_LOG'] + '.pid', 'w').write(str(os.getpid()))\n"
                   "s = socket.socket(socket.AF_UNIX)\n"
                   "s.bind(os.environ['BRISGOL_REDIRECT_SOCKET'])\n"
                   "s.listen(8)\n"
                   "s.settimeout(5)\n"
                   "while True:\n"
                   "    try:\n"
                   "        c, _ = s.accept()\n"
                   "    except OSError:\n"
                   "        break\n"
                   "    c.recv(200)\n"
                   "    c.sendall(b'OK\\n')\n"
                   "    c.close()\n");
    }
    chmod(root_.path().c_str(), 0755);
    // What the player may write: the machine root, drivers, the prompt log.
    const fs::path player = root_.Dir("machine");
    drivers_ = root_.Dir("machine/sys");
    for (const auto& [name, kind] : {std::pair{"proxy64.sys", DriverKind::kProxy}, {"process64.sys", DriverKind::kProcess}}) {
      DriverFileInfo info{name, kind, 64, true, kind == DriverKind::kProxy};
      WriteTestFile(drivers_ / name, FormatDriverFile(info));
    }
    // The stand-in pkexec notes each prompt; it refuses after 3 s or runs
    // the program, as PROMPT_ANSWER says.
    const fs::path bin = root_.Dir("bin");
    WriteProgram(bin / "pkexec",
                 "#!/bin/sh\n"
                 "echo \"$*\" >> \"$PROMPT_LOG\"\n"
                 "if [ \"$PROMPT_ANSWER\" = accept ]; then exec \"$@\"; fi\n"
                 "sleep 3\n"
                 "exit 126\n");
    prompts_ = player / "prompts.log";
    for (const fs::path& dir : {player, drivers_, untrusted_}) chown(dir.c_str(), kPlayer, kPlayer);
    for (const auto& entry : fs::directory_iterator(untrusted_)) chown(entry.path().c_str(), kPlayer, kPlayer);
    setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
    setenv("PROMPT_LOG", prompts_.c_str(), 1);
    setenv("BRISGOL_REDIRECT_SOCKET", (player / "redirect.sock").c_str(), 1);
    previousRoot_ = std::getenv("BRISGOL_ROOT");
    setenv("BRISGOL_ROOT", player.c_str(), 1);
  }
  void TearDown() override {
    // A stand-in service that was started ends with the test.
    std::ifstream started(prompts_.string() + ".pid");
    if (pid_t pid = 0; started >> pid && pid > 1) kill(pid, SIGTERM);
    if (!previousRoot_.empty()) setenv("BRISGOL_ROOT", previousRoot_.c_str(), 1);
    for (const char* name : {"PROMPT_LOG", "PROMPT_ANSWER", "BRISGOL_REDIRECT_SOCKET"}) unsetenv(name);
  }
  int Prompts() {
    std::ifstream log(prompts_);
    int lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    return lines;
  }
  // Runs body as the player with the library from directory.
  std::string AsPlayer(const fs::path& directory, const std::function<std::string(Library&)>& body) {
    UserChild child;
    if (!child.Start(kPlayer, kPlayer, [&](const auto& report, const auto&) {
          Library library(directory);
          report(library.loaded() ? body(library) : std::string("cannot load the library: ") + dlerror());
          return 0;
        })) {
      return "cannot start the player";
    }
    const std::string result = child.Report(std::chrono::seconds(30));
    child.Finish();
    return result;
  }
  std::string Proxy() const { return (drivers_ / "proxy64.sys").string(); }
  std::string Process() const { return (drivers_ / "process64.sys").string(); }

  TempMachineRoot root_;
  fs::path trusted_, untrusted_, drivers_, prompts_;
  std::string previousRoot_;
};

}  // namespace

TEST_F(ProxySdkPrompt, ARefusedPromptIsShownOnceEndsTheWaitAndBlocksNothing) {
  const std::string result = AsPlayer(trusted_, [this](Library& library) {
    library.initDriverFirst();
    // A line switch on another thread while the prompt is up.
    long deleteMs = -1;
    std::thread lineSwitch([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      const auto start = Clock::now();
      library.deleteRuleAll();
      deleteMs = Milliseconds(Clock::now() - start);
    });
    auto start = Clock::now();
    const int first = library.initDriver(nullptr, Proxy().c_str(), nullptr, Process().c_str());
    const long firstMs = Milliseconds(Clock::now() - start);
    lineSwitch.join();
    // The fallbacks try twice more, then the start asks whether it runs.
    start = Clock::now();
    const int second = library.initDriver(nullptr, Proxy().c_str(), nullptr, Process().c_str());
    const int third = library.initDriver(nullptr, Proxy().c_str(), nullptr, Process().c_str());
    const int running = library.driverIsRun();
    const long laterMs = Milliseconds(Clock::now() - start);
    const bool promptWait = firstMs >= 2500 && firstMs < 6000;
    return std::to_string(first) + " " + std::to_string(second) + " " + std::to_string(third) + " " +
           std::to_string(running) + (promptWait ? " waited-for-the-prompt" : " waited " + std::to_string(firstMs)) +
           (laterMs < 500 ? " later-at-once" : " later " + std::to_string(laterMs)) +
           (deleteMs >= 0 && deleteMs < 100 ? " delete-at-once" : " delete " + std::to_string(deleteMs));
  });
  EXPECT_EQ(result, "0 0 0 0 waited-for-the-prompt later-at-once delete-at-once");
  EXPECT_EQ(Prompts(), 1);
  std::ifstream log(prompts_);
  std::string line;
  std::getline(log, line);
  EXPECT_EQ(line, (trusted_ / kRedirectServiceName).string()) << "pkexec runs the root-owned service itself";
}

TEST_F(ProxySdkPrompt, AnAcceptedPromptStartsTheServiceOnce) {
  setenv("PROMPT_ANSWER", "accept", 1);
  const std::string result = AsPlayer(trusted_, [this](Library& library) {
    library.initDriverFirst();
    const int installed = library.initDriver(nullptr, Proxy().c_str(), nullptr, Process().c_str());
    return std::to_string(installed) + " " + std::to_string(library.driverIsRun());
  });
  EXPECT_EQ(result, "1 1");
  EXPECT_EQ(Prompts(), 1);
}

TEST_F(ProxySdkPrompt, AServiceThePlayerCouldReplaceIsNeverPromptedFor) {
  const std::string result = AsPlayer(untrusted_, [this](Library& library) {
    library.initDriverFirst();
    const auto start = Clock::now();
    const int installed = library.initDriver(nullptr, Proxy().c_str(), nullptr, Process().c_str());
    return std::to_string(installed) + (Milliseconds(Clock::now() - start) < 500 ? " at-once" : " slowly");
  });
  EXPECT_EQ(result, "0 at-once");
  EXPECT_EQ(Prompts(), 0);
  const std::string log = ReadTestFile(untrusted_ / "log2.log");
  std::wstring text;
  for (std::size_t i = 2; i + 1 < log.size(); i += 2) text += static_cast<wchar_t>(log[i] | log[i + 1] << 8);
  const std::string ascii(text.begin(), text.end());
  EXPECT_NE(ascii.find("is not owned by root"), std::string::npos) << ascii;
  EXPECT_NE(ascii.find("install the package"), std::string::npos) << ascii;
  EXPECT_NE(ascii.find("sudo " + (untrusted_ / kRedirectServiceName).string() + " &"), std::string::npos) << ascii;
  EXPECT_NE(ascii.find("then restart the program"), std::string::npos) << ascii;
}
