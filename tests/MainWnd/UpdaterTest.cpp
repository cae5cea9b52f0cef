// The update decision and the hand-over to the update program.
#include "MainWnd/UpdateDecision.h"
#include "MainWnd/Updater.h"

#include "platform/Processes.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tests/MainWnd/ConfigTestSupport.h"
#include "tests/http/LogText.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateDecision, VersionCodeIsTheLeadingNumberOfTheLastSegment) {
  struct Case {
    const char* url;
    long code;
    bool update;
  } cases[] = {
      {"http://h/r/5.exe", 5, true},        {"http://h/r/4.exe", 4, false},      {"http://h/r/10.exe", 10, true},
      {"http://h/r/setup5.exe", 0, false},  {"http://h/r/5", 5, true},           {"http://h/r/", 0, false},
      {"http://h/r/5.exe?x=1", 5, true},    {"http://h/r\\7.exe", 7, true},      {"8.exe", 8, true},
      {"http://h/r/ 9.exe", 9, true},       {"http://h/r/-9.exe", -9, false},    {"http://h/r/5.exe?u=a/3", 3, false},
      {"", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(ReleaseVersionCode(c.url), c.code);
    EXPECT_EQ(ReleaseIsNewer(c.url), c.update);
  }
}

TEST(UpdateRequest, EscapesTheValuesItHandsOn) {
  EXPECT_EQ(BuildUpdateRequest("a\"b", "c\\d", "e"),
            "{\"exe_name\":\"e\",\"update_md5\":\"a\\\"b\",\"update_url\":\"c\\\\d\",\"version\":\"1.0.4\","
            "\"version_code\":\"4\"}\n");
}

TEST(UpdateRequest, QuotedArgumentSurvivesTheWindowsSplittingRules) {
  for (const std::wstring& text : {std::wstring(L"{\"a\":\"b c\"}\n"), std::wstring(L"x\\\"y\\"), std::wstring(L""),
                                   std::wstring(L"tab\there \\\\\"")}) {
    std::vector<std::wstring> words = SplitCommandLine(QuoteCommandLineArgument(text));
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0], text);
  }
}

class LaunchUpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    programDir_ = root_.Dir("program");
    g_programDir = programDir_.wstring() + L"/";
    g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
  }
  // A stand-in update program that stores its one argument beside itself.
  void InstallRecorder(mode_t mode = 0755) {
    WriteTestFile(programDir_ / "update.exe", "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/request.txt\"\n");
    MakeExecutable(programDir_ / "update.exe", mode);
  }
  bool Logged(const std::wstring& text) const {
    return ReadLogText(programDir_ / "log2.log").find(text) != std::wstring::npos;
  }

  TempMachineRoot root_;
  std::filesystem::path programDir_;
};

TEST_F(LaunchUpdaterTest, StartsAFreshCopyWithTheExactRequest) {
  InstallRecorder();
  WriteTestFile(programDir_ / "update" / "update.exe", "stale copy");
  ASSERT_TRUE(LaunchUpdater("", "http://h/r/5.exe?a=\"q\" b"));
  ASSERT_TRUE(WaitForFile(programDir_ / "update" / "request.txt"));
  std::string exeName = std::filesystem::read_symlink("/proc/self/exe").filename().string();
  EXPECT_EQ(ReadTestFile(programDir_ / "update" / "request.txt"),
            "{\"exe_name\":\"" + exeName +
                "\",\"update_md5\":\"\",\"update_url\":\"http://h/r/5.exe?a=\\\"q\\\" b\",\"version\":\"1.0.4\","
                "\"version_code\":\"4\"}\n");
  EXPECT_EQ(ReadTestFile(programDir_ / "update" / "update.exe"), ReadTestFile(programDir_ / "update.exe"));
}

TEST_F(LaunchUpdaterTest, MissingCopyFailedOrStartFailedIsNoLaunch) {
  EXPECT_FALSE(LaunchUpdater("m", "http://h/5.exe"));
  EXPECT_TRUE(Logged(L"更新组件丢失"));

  InstallRecorder();
  WriteTestFile(programDir_ / "update", "a file where the directory belongs");
  EXPECT_FALSE(LaunchUpdater("m", "http://h/5.exe"));
  std::filesystem::remove(programDir_ / "update");

  InstallRecorder(0644);
  EXPECT_FALSE(LaunchUpdater("m", "http://h/5.exe"));
  EXPECT_FALSE(std::filesystem::exists(programDir_ / "update" / "request.txt"));
}

}  // namespace
