// Start-up as a user meets it: the real executable, started in a program
// directory of its own with a machine root of its own.
#include "platform/CodePage.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programDir = root.Dir("program");
    build = std::getenv("BRISGOL_BUILD_DIR");
  }

  // Installs an executable of the build into the program directory and runs
  // it; once its main window is up, ends it as a session would.
  int Run(const std::string& built = "bin/brisgol") {
    auto exe = programDir / "brisgol";
    std::filesystem::copy_file(build / built, exe, std::filesystem::copy_options::overwrite_existing);
    // The transfer module its configuration thread loads.
    std::filesystem::copy_file(build / "bin/brisgol-http.so", programDir / "brisgol-http.so",
                               std::filesystem::copy_options::overwrite_existing);
    RunningProgram program(exe);
    return program.RunToEnd();
  }

  std::wstring Log() {
    std::string bytes = ReadTestFile(programDir / "log2.log");
    return bytes.size() >= 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }

  std::string Firewall() { return ReadTestFile(root.path() / "firewall.txt"); }
  std::string Row(const char* enabled, const char* name, const std::filesystem::path& path) {
    return std::string(enabled) + "\t" + name + "\t" + path.string() + "\n";
  }
  std::string AllRows() {
    return Row("1", "brisvel", programDir / "brisgol") + Row("1", "brisvel-local", programDir / "local.exe") +
           Row("1", "brisvel-old-local", programDir / "Localold/local.exe");
  }

  TempMachineRoot root;
  SilentConfigServer configServer;
  std::filesystem::path programDir;
  std::filesystem::path build;
};

TEST_F(StartupTest, RegistersFirewallRowsInOrderThenRunsTheMainWindow) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Firewall(), AllRows());
  std::string registry = ReadTestFile(root.path() / "registry.reg");
  EXPECT_NE(registry.find("\"brisgol\"=dword:00002af9"), std::string::npos) << registry;
  std::wstring log = Log();
  EXPECT_NE(log.find(L"]初始化\r\n"), std::wstring::npos) << "the main window's window-init ran";
  EXPECT_NE(log.find(L"][MainWnd/MainWnd.cpp "), std::wstring::npos) << "records name the source relative to the project";
  EXPECT_EQ(log.find(L"当前ie版本为"), std::wstring::npos) << "no version record on Windows 8 or later";

  EXPECT_EQ(Run(), 0);  // a second run adds nothing
  EXPECT_EQ(Firewall(), AllRows());
}

TEST_F(StartupTest, ADisabledEntryIsEnabledRatherThanAddedTwice) {
  WriteTestFile(root.path() / "firewall.txt", Row("0", "brisvel-local", programDir / "local.exe"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Firewall(), Row("1", "brisvel-local", programDir / "local.exe") +
                            Row("1", "brisvel", programDir / "brisgol") +
                            Row("1", "brisvel-old-local", programDir / "Localold/local.exe"));
}

TEST_F(StartupTest, AStoppedFirewallDoesNotStopStartUp) {
  WriteTestFile(root.path() / "firewall.stopped", "");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Firewall(), "");
  EXPECT_NE(Log().find(L"]初始化\r\n"), std::wstring::npos);
}

TEST_F(StartupTest, WithoutTheSkinArchiveItEndsQuietly) {
  WriteTestFile(programDir / "log2.log", std::string(1048577, 'x'));
  EXPECT_EQ(Run("variants/brisgol_noskin"), 0);
  EXPECT_FALSE(std::filesystem::exists(programDir / "log2.log"));  // oversized: deleted, nothing logged
  EXPECT_EQ(Firewall(), AllRows());
  EXPECT_EQ(ReadTestFile(root.path() / "registry.reg"), "");
}

TEST_F(StartupTest, AnOldBrowserEngineOnWindows7EndsStartUpAfterLoggingItsVersion) {
  WriteTestFile(root.path() / "Windows/System32/ntdll.dll", "FILEVERSION 6.1.7601.17514");
  WriteTestFile(root.path() / "Windows/System32/mshtml.dll", "FILEVERSION 10.0.9200.16384");
  EXPECT_EQ(Run(), 0);
  std::wstring log = Log();
  EXPECT_NE(log.find(L"]当前ie版本为：10\r\n"), std::wstring::npos);
  EXPECT_EQ(log.find(L"]初始化\r\n"), std::wstring::npos) << "no main window";
  EXPECT_EQ(ReadTestFile(root.path() / "registry.reg"), "");

  std::filesystem::remove(programDir / "log2.log");
  std::filesystem::remove(root.path() / "Windows/System32/mshtml.dll");  // unreadable: version 0
  EXPECT_EQ(Run(), 0);
  EXPECT_NE(Log().find(L"]当前ie版本为：0\r\n"), std::wstring::npos);
}

TEST_F(StartupTest, Windows7WithInternetExplorer11GetsTheEmulationValue) {
  WriteTestFile(root.path() / "Windows/System32/ntdll.dll", "FILEVERSION 6.1.7601.17514");
  WriteTestFile(root.path() / "Windows/System32/mshtml.dll", "FILEVERSION 11.0.9600.19180");
  EXPECT_EQ(Run(), 0);
  EXPECT_NE(Log().find(L"]当前ie版本为：11\r\n"), std::wstring::npos);
  EXPECT_NE(ReadTestFile(root.path() / "registry.reg").find("dword:00002af9"), std::string::npos);
}

}  // namespace
