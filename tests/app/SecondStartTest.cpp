// A second start while the first copy's window exists: the window is
// restored and raised, and the second copy ends at once.
#include "platform/window/User32.h"
#include "tests/support/TempMachineRoot.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

// The window system's test helper: opens "CMainWnd" titled like the main
// window, minimised, and reports its state when WM_USER + 1001 arrives.
struct RunningCopy {
  pid_t pid = -1;
  int output = -1;

  bool Start() {
    std::string path = std::string(std::getenv("BRISGOL_BUILD_DIR")) + "/tests/platform_window_helper";
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {path.data(), nullptr};
    bool ok = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    output = fds[0];
    return ok && ReadLine() == "ready";
  }
  std::string ReadLine() {
    std::string line;
    char c;
    while (read(output, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  ~RunningCopy() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (output >= 0) close(output);
  }
};

TEST(SecondStart, RaisesTheRunningWindowAndEndsBeforeRegisteringAnything) {
  TempMachineRoot root;
  RunningCopy first;
  ASSERT_TRUE(first.Start());

  auto program = root.Dir("program");
  for (const char* file : {"brisgol", "brisgol-http.so"})
    std::filesystem::copy_file(std::filesystem::path(std::getenv("BRISGOL_BUILD_DIR")) / "bin" / file, program / file);
  // The second copy still deletes an oversized log, and an empty one, before it ends.
  for (std::size_t size : {std::size_t{1024 * 1024 + 1}, std::size_t{0}}) {
    WriteTestFile(program / "log2.log", std::string(size, 'x'));
    int status = std::system((program / "brisgol").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(root.path() / "firewall.txt")) << "the second copy went past the search";
    EXPECT_FALSE(std::filesystem::exists(program / "log2.log")) << "a log of " << size << " bytes was kept";
  }

  HWND window = FindWindowW(L"CMainWnd", L"Brisgol加速器插件");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PostMessageW(window, WM_USER + 1001, 0, 24));
  EXPECT_EQ(first.ReadLine(), "code=24 restored=1 visible=1 topmost=0 foreground=1");
}

}  // namespace
