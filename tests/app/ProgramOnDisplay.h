// Test support: the real program on an X display (a virtual one of the
// test's own), seen from outside as a user sees it: its shown windows
// (xdotool), their pixels (ImageMagick) and the processes it leaves.
#pragma once

#include "platform/CodePage.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// What a command printed, without the trailing line break.
std::string CommandOutput(const std::string& command);
// The first of the tools that cannot be run; empty when all can.
std::string MissingTool(std::initializer_list<const char*> tools);

// Where a shown X window is, in screen coordinates.
struct WindowBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
WindowBox BoxOf(const std::string& windowId);
// The program's shown windows (titled "Brisgol加速器插件"), X ids.
std::vector<std::string> ShownProgramWindows();
// The program's shown window of that size; empty when none appears in time.
std::string WaitForShownWindow(int width, int height,
                               std::chrono::milliseconds timeout = std::chrono::seconds(15));
// A shown override-redirect window (a popup menu) whose top-left corner
// is within 40 pixels of the point, X id; empty when none appears in time.
std::string WaitForPopupNear(int x, int y, std::chrono::milliseconds timeout = std::chrono::seconds(15));
// Polls done() until it holds or the time is up; its last answer.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Lines of dark text inside a screen rectangle: runs of pixel rows that
// hold at least one dark pixel (a white box with black text).
int DarkTextLines(int x, int y, int width, int height);

// Processes whose executable lies inside dir.
std::vector<pid_t> ProcessesUnder(const std::filesystem::path& dir);

// Sizes of the program's windows on the display.
constexpr int kMainWidth = 900;
constexpr int kMainHeight = 600;
constexpr int kBoxWidth = 315;
constexpr int kBoxHeight = 215;

// A fresh machine root and program directory holding a copy of the built
// program; its configuration address answers nothing, so it idles. Skips
// without a display or without the tools the tests drive it with.
class ProgramOnDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under Xvfb)";
    const std::string missing = MissingTool({"xdotool", "import", "convert"});
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    ASSERT_TRUE(configServer.WaitUntilListening(std::chrono::seconds(30)))
        << "the configuration address stays taken: a program started now would be answered";
    programDir = root.Dir("program");
    // The program and the modules beside it: the portal's engine and the
    // configuration thread's transfers.
    for (const char* file : {"brisgol", "brisgol-webkit.so", "brisgol-http.so"})
      std::filesystem::copy_file(std::filesystem::path(std::getenv("BRISGOL_BUILD_DIR")) / "bin" / file,
                                 programDir / file);
  }
  std::wstring Log() const {
    std::string bytes = ReadTestFile(programDir / "log2.log");
    return bytes.size() >= 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }

  TempMachineRoot root;
  SilentConfigServer configServer;
  std::filesystem::path programDir;
};
