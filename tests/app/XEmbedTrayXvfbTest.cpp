// The program on a desktop without a session bus: its notification-area
// icon goes into the X screen's system tray (trayer, started by the test),
// and a real click on that icon reaches the program.
#include "tests/app/ProgramOnDisplay.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>

extern char** environ;

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// trayer along the screen's bottom edge, ended with the test.
class Trayer {
 public:
  Trayer() {
    std::string program = "trayer";
    char* argv[] = {program.data(), const_cast<char*>("--edge"), const_cast<char*>("bottom"),
                    const_cast<char*>("--align"), const_cast<char*>("right"), const_cast<char*>("--widthtype"),
                    const_cast<char*>("request"), const_cast<char*>("--height"), const_cast<char*>("24"),
                    const_cast<char*>("--expand"), const_cast<char*>("false"), nullptr};
    if (posix_spawnp(&pid_, "trayer", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~Trayer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Trayer(const Trayer&) = delete;
  Trayer& operator=(const Trayer&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

class XEmbedTrayXvfbTest : public ProgramOnDisplayTest {
 protected:
  void SetUp() override {
    ProgramOnDisplayTest::SetUp();
    if (IsSkipped()) return;
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) GTEST_SKIP() << "run without a session bus";
    if (!MissingTool({"trayer"}).empty()) GTEST_SKIP() << "needs trayer";
  }
};

// The program's shown windows of its own X class other than its main
// window: the icon embedded in the tray.
std::string TrayIconWindow() {
  std::string found;
  WaitUntil(
      [&] {
        std::istringstream lines(CommandOutput("xdotool search --onlyvisible --classname '^brisgol$' 2>/dev/null"));
        std::string id;
        while (std::getline(lines, id)) {
          WindowBox box = BoxOf(id);
          if (box.width > 0 && box.width <= 64 && box.height <= 64) {
            found = id;
            return true;
          }
        }
        return false;
      },
      seconds(10));
  return found;
}

TEST_F(XEmbedTrayXvfbTest, AClickOnTheTrayIconShowsTheHiddenWindow) {
  Trayer tray;
  ASSERT_TRUE(tray.Started());
  ASSERT_TRUE(WaitUntil([] { return !CommandOutput("xdotool search --classname '^trayer$' 2>/dev/null").empty(); },
                        seconds(10)))
      << "trayer is up";
  RunningProgram program(programDir / "brisgol");
  ASSERT_TRUE(program.Started());
  std::string main = WaitForShownWindow(kMainWidth, kMainHeight);
  ASSERT_FALSE(main.empty()) << "no main window";
  std::string icon = TrayIconWindow();
  ASSERT_FALSE(icon.empty()) << "no icon in the tray";

  std::system(("xdotool windowfocus --sync " + main + " key alt+F4 >/dev/null 2>&1").c_str());
  ASSERT_TRUE(WaitUntil([] { return WaitForShownWindow(kMainWidth, kMainHeight, milliseconds(0)).empty(); },
                        seconds(5)));
  // A real pointer click in the middle of the icon.
  WindowBox at = BoxOf(icon);
  std::system(("xdotool mousemove " + std::to_string(at.x + at.width / 2) + " " +
               std::to_string(at.y + at.height / 2) + " click 1 >/dev/null 2>&1")
                  .c_str());
  EXPECT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight, seconds(5)).empty()) << "shown by the click";

  ASSERT_TRUE(program.Signal(SIGTERM));
  EXPECT_EQ(program.Wait(seconds(15)), 0);
  EXPECT_TRUE(WaitUntil([&] { return ProcessesUnder(programDir).empty(); }, seconds(5)));
}

}  // namespace
