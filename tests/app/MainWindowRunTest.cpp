// The program with its main window, as other processes and the session
// meet it: a second start, the error-code message, ending by signal.
#include "platform/CodePage.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class MainWindowRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programDir = root.Dir("program");
    // The program and the transfer module its configuration thread loads.
    for (const char* file : {"brisgol", "brisgol-http.so"})
      std::filesystem::copy_file(std::filesystem::path(std::getenv("BRISGOL_BUILD_DIR")) / "bin" / file,
                                 programDir / file);
  }
  std::wstring Log() {
    std::string bytes = ReadTestFile(programDir / "log2.log");
    return bytes.size() >= 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }

  TempMachineRoot root;
  SilentConfigServer configServer;
  std::filesystem::path programDir;
};

TEST_F(MainWindowRunTest, EachExitSignalEndsTheProgramThroughItsExitRoutine) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    RunningProgram program(programDir / "brisgol");
    ASSERT_TRUE(program.Started());
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr) << Log();
    ASSERT_TRUE(program.Signal(signal));
    EXPECT_EQ(program.Wait(), 0) << signal;
    EXPECT_NE(Log().find(L"收到结束信号 " + std::to_wstring(signal)), std::wstring::npos) << signal;
    EXPECT_EQ(FindWindowW(L"CMainWnd", nullptr), nullptr) << "the window is gone with its process";
  }
}

TEST_F(MainWindowRunTest, ASecondStartRaisesTheFirstAndEndsWithoutAWindowOfItsOwn) {
  RunningProgram first(programDir / "brisgol");
  HWND window = first.WaitForWindow();
  ASSERT_NE(window, nullptr);

  RunningProgram second(programDir / "brisgol");
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(FindWindowW(L"CMainWnd", L"Brisgol加速器插件"), window) << "still the first copy's window";
  // One listed top-level window: the first copy's.
  size_t windows = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root.path() / "windows")) {
    (void)entry;
    ++windows;
  }
  EXPECT_EQ(windows, 1u);

  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(), 0);
}

}  // namespace
