// The program on a desktop of the test's own: a virtual X display and a
// private session bus on which a stand-in StatusNotifierWatcher takes the
// program's notification-area icon and clicks it as a panel would. What
// the user sees is read back with xdotool and screenshots.
#include "platform/window/User32.h"
#include "tests/app/ProgramOnDisplay.h"
#include "tests/platform_gtk/WatcherStandIn.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <string>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr UINT kShowErrorCode = WM_USER + 1001;

class DesktopShellXvfbTest : public ProgramOnDisplayTest {
 protected:
  void SetUp() override {
    ProgramOnDisplayTest::SetUp();
    if (IsSkipped()) return;
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) GTEST_SKIP() << "needs a session bus (dbus-run-session)";
    // The watcher is there before the program starts, as on a desktop.
    ASSERT_TRUE(watcher.Start()) << "the watcher's name could not be had";
  }

  // Starts the program and waits for its main window.
  std::string StartProgram(RunningProgram& program) {
    if (!program.Started()) return {};
    return WaitForShownWindow(kMainWidth, kMainHeight);
  }
  // The bus name of the program's icon once it registered; empty if not.
  std::string RegisteredItem(milliseconds timeout = seconds(10)) { return watcher.WaitForItem(timeout); }
  // The close command (Alt+F4) on a shown window.
  static void AltF4(const std::string& id) {
    std::system(("xdotool windowfocus --sync " + id + " key alt+F4 >/dev/null 2>&1").c_str());
  }
  // A key for the box: the box opens without taking the keyboard, so the
  // user clicks into its body first (its message label takes no click).
  // The key is sent once the box has the keyboard, however long the click
  // takes to get there.
  static void KeyToBox(const std::string& box, const char* key) {
    WindowBox at = BoxOf(box);
    std::system(("xdotool mousemove " + std::to_string(at.x + kBoxWidth / 2) + " " + std::to_string(at.y + 100) +
                 " click 1 >/dev/null 2>&1")
                    .c_str());
    EXPECT_TRUE(WaitUntil([&] { return CommandOutput("xdotool getwindowfocus 2>/dev/null") == box; }, seconds(10)))
        << "the click gave the box the keyboard";
    std::system(("xdotool key " + std::string(key) + " >/dev/null 2>&1").c_str());
  }
  static bool MainWindowHidden() {
    return WaitUntil([] { return WaitForShownWindow(kMainWidth, kMainHeight, milliseconds(0)).empty(); },
                     seconds(10));
  }
  static bool BoxGone() {
    return WaitUntil([] { return WaitForShownWindow(kBoxWidth, kBoxHeight, milliseconds(0)).empty(); },
                     seconds(10));
  }
  // Asks the running main window, as another process would, to show the
  // text of an error code; the box's X window.
  static std::string ShowErrorCode(long code) {
    HWND window = FindWindowW(L"CMainWnd", L"Brisgol加速器插件");
    if (window == nullptr || !PostMessageW(window, kShowErrorCode, 0, code)) return {};
    return WaitForShownWindow(kBoxWidth, kBoxHeight);
  }
  // Lines of the box's message (its body, between caption and buttons).
  // The box draws itself once it is mapped, and until then shows what lay
  // beneath (the dark main window): the count is taken once the body's
  // white margin is there, the text too, and two looks in a row agree.
  // The box's place is read again with every look (a box shown under load
  // may still be placed after it maps), and the count must hold for three
  // looks in a row.
  static int MessageLines(const std::string& box) {
    const int height = kBoxHeight - 36 - 50;
    int lines = -1;
    int sameLooks = 0;
    WaitUntil(
        [&] {
          const WindowBox at = BoxOf(box);
          const int top = at.y + 36;
          const bool drawn = DarkTextLines(at.x + 5, top, 6, height) == 0;
          const int now = DarkTextLines(at.x + 15, top, kBoxWidth - 30, height);
          sameLooks = (drawn && now > 0 && now == lines) ? sameLooks + 1 : 0;
          lines = now;
          return sameLooks >= 2;
        },
        seconds(10));
    return lines;
  }
  // The program ended with 0 and left no process of its directory behind.
  void ExpectEndedCleanly(RunningProgram& program) {
    EXPECT_EQ(program.Wait(seconds(15)), 0);
    EXPECT_TRUE(WaitUntil([&] { return ProcessesUnder(programDir).empty(); }, seconds(5)))
        << "a process of the program directory is still running";
  }

  WatcherStandIn watcher;
};

TEST_F(DesktopShellXvfbTest, ASecondStartRaisesTheWindowAndTheErrorCodeBoxClosesEveryWay) {
  RunningProgram program(programDir / "brisgol");
  std::string main = StartProgram(program);
  ASSERT_FALSE(main.empty()) << "no main window";

  // Hidden by its close command, the window comes back when the program
  // is started again; that second copy ends at once with 0.
  AltF4(main);
  ASSERT_TRUE(MainWindowHidden());
  EXPECT_EQ(std::system((programDir / "brisgol").c_str()), 0);
  EXPECT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight, seconds(5)).empty()) << "raised by the second start";
  EXPECT_EQ(ShownProgramWindows().size(), 1u) << "one window, not a second one";
  EXPECT_EQ(ProcessesUnder(programDir).size(), 1u) << "the second copy is gone";

  // Code 24 names the conflicting program in a long text; Escape closes.
  std::string box = ShowErrorCode(24);
  ASSERT_FALSE(box.empty()) << "no box for code 24";
  EXPECT_GE(MessageLines(box), 2) << "the long conflict text wraps";
  KeyToBox(box, "Escape");
  EXPECT_TRUE(BoxGone()) << "Escape\n" << Log();

  // An unknown code gives the one-line "未知错误"; the close button closes.
  box = ShowErrorCode(99);
  ASSERT_FALSE(box.empty()) << "no box for code 99";
  EXPECT_EQ(MessageLines(box), 1) << "the short unknown-error text";
  WindowBox at = BoxOf(box);
  std::system(("xdotool mousemove " + std::to_string(at.x + 287) + " " + std::to_string(at.y + 17) +
               " click 1 >/dev/null 2>&1")
                  .c_str());
  EXPECT_TRUE(BoxGone()) << "the close button\n" << Log();

  // Huge and negative codes are unknown codes too; Alt+F4 closes the box.
  box = ShowErrorCode(-1);
  ASSERT_FALSE(box.empty()) << "no box for code -1";
  KeyToBox(box, "alt+F4");
  EXPECT_TRUE(BoxGone()) << "Alt+F4";

  EXPECT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight, seconds(1)).empty()) << "the main window stays";
  ASSERT_TRUE(program.Signal(SIGTERM));
  ExpectEndedCleanly(program);
}

TEST_F(DesktopShellXvfbTest, TheCloseButtonHidesAtOnceAndTheProgramEnds) {
  RunningProgram program(programDir / "brisgol");
  std::string main = StartProgram(program);
  ASSERT_FALSE(main.empty()) << "no main window";
  ASSERT_FALSE(RegisteredItem().empty()) << "the icon registered";
  WindowBox at = BoxOf(main);
  // The close button stands at the caption's right end.
  std::system(("xdotool mousemove " + std::to_string(at.x + 875) + " " + std::to_string(at.y + 20) +
               " click 1 >/dev/null 2>&1")
                  .c_str());
  EXPECT_TRUE(WaitUntil([] { return ShownProgramWindows().empty(); }, milliseconds(1500))) << "hidden at once";
  ExpectEndedCleanly(program);
  EXPECT_NE(Log().find(L"初始化"), std::wstring::npos);
}

TEST_F(DesktopShellXvfbTest, TheTrayShowsTheWindowAgainSurvivesAWatcherRestartAndItsMenuExits) {
  RunningProgram program(programDir / "brisgol");
  std::string main = StartProgram(program);
  ASSERT_FALSE(main.empty()) << "no main window";
  std::string item = RegisteredItem();
  ASSERT_FALSE(item.empty()) << "the icon registered";

  // After Alt+F4 only the icon is left; the panel's Activate brings the
  // window back.
  AltF4(main);
  ASSERT_TRUE(MainWindowHidden());
  watcher.Call(item, "Activate", 1200, 790);
  EXPECT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight, seconds(5)).empty()) << "shown by Activate";

  // The panel restarts: the icon registers with the new watcher and answers.
  watcher.Stop();
  ASSERT_TRUE(watcher.Start());
  item = RegisteredItem();
  ASSERT_FALSE(item.empty()) << "registered again after the restart";
  AltF4(main);
  ASSERT_TRUE(MainWindowHidden());
  watcher.Call(item, "Activate", 0, 0);
  EXPECT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight, seconds(5)).empty()) << "the new item answers";

  // The context menu is a real menu at the panel's point; its second item,
  // "退出程序", ends the program at once. The keys go once the menu is
  // shown (it holds the keyboard from then on).
  watcher.Call(item, "ContextMenu", 600, 500);
  ASSERT_FALSE(WaitForPopupNear(600, 500).empty()) << "the menu at the panel's point";
  std::system("xdotool key Down Down Return >/dev/null 2>&1");
  ExpectEndedCleanly(program);
}

// Beside a window manager the minimise button iconifies the window (it
// stays in the taskbar) and the tray's Activate gives it back at once.
TEST_F(DesktopShellXvfbTest, TheMinimiseButtonIconifiesAndTheTrayRestores) {
  if (std::getenv("BRISGOL_EXPECT_WM") == nullptr) GTEST_SKIP() << "needs a window manager (openbox)";
  RunningProgram program(programDir / "brisgol");
  std::string main = StartProgram(program);
  ASSERT_FALSE(main.empty()) << "no main window";
  std::string item = RegisteredItem();
  ASSERT_FALSE(item.empty()) << "the icon registered";
  auto state = [&main] { return CommandOutput("xprop -id " + main + " WM_STATE _NET_WM_STATE 2>/dev/null"); };

  WindowBox at = BoxOf(main);
  // The minimise button stands left of the close button.
  std::system(("xdotool mousemove " + std::to_string(at.x + 840) + " " + std::to_string(at.y + 20) +
               " click 1 >/dev/null 2>&1")
                  .c_str());
  EXPECT_TRUE(WaitUntil([&] { return state().find("Iconic") != std::string::npos; }, seconds(5))) << state();
  EXPECT_NE(state().find("_NET_WM_STATE_HIDDEN"), std::string::npos) << "iconified, not withdrawn";
  EXPECT_EQ(state().find("SKIP_TASKBAR"), std::string::npos) << "still in the taskbar";

  watcher.Call(item, "Activate", 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return state().find("Normal") != std::string::npos; }, seconds(5))) << state();
  EXPECT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight, seconds(5)).empty()) << "shown by Activate";

  ASSERT_TRUE(program.Signal(SIGTERM));
  ExpectEndedCleanly(program);
}

}  // namespace
