// The whole configuration sequence on its own thread, against the local
// HTTP server, through each of its four outcomes, with the real files in a
// temporary program directory.
#include "MainWnd/ConfigThread.h"

#include "outside/update/FileDigest.h"
#include "tests/MainWnd/ConfigTestSupport.h"
#include "tests/http/DownloadFixture.h"
#include "tests/http/TestDocuments.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using Calls = std::vector<std::string>;

class ConfigThreadTest : public DownloadFixture {
 protected:
  // Runs the sequence on a thread of its own, as the main window does.
  Calls Run() { return Run(outcome_); }
  Calls Run(RecordingOutcome& outcome) {
    std::thread thread([&] { RunConfigSequence(outcome, server_->Url("/files/tolvene/config.txt")); });
    thread.join();
    return outcome.Calls();
  }
  void ServeConfig(const std::string& json) { Serve("tolvene/config.txt", SealWithDocumentKey(json)); }
  std::string ConfigWith(const std::string& updateUrl, const std::string& md5 = "") {
    return "{\"in_open_url\":\"" + server_->Url("/files/in.txt") + "\",\"out_open_url\":\"" +
           server_->Url("/files/out.txt") + "\",\"update_md5\":\"" + md5 + "\",\"update_url\":\"" + updateUrl +
           "\"}";
  }
  void ServeWhitelists() {
    Serve("in.txt", SealWithDocumentKey("[\"inside/one?q\",\"inside/two\"]"));
    Serve("out.txt", SealWithDocumentKey("[\"outside/one\"]"));
  }
  bool InProgramDir(const char* name) const { return std::filesystem::exists(programDir_ / name); }

  RecordingOutcome outcome_;
};

TEST_F(ConfigThreadTest, ReadDocumentFillsBothListsAndStartsLineOne) {
  ServeConfig(ConfigWith(server_->Url("/files/4.exe")));
  ServeWhitelists();
  EXPECT_EQ(Run(), Calls{"start"});
  EXPECT_EQ(*outcome_.InsideWhitelist().Snapshot(), (WhitelistEntries{L"inside/one?q", L"inside/two"}));
  EXPECT_EQ(*outcome_.OutsideWhitelist().Snapshot(), WhitelistEntries{L"outside/one"});
  EXPECT_TRUE(InProgramDir("config.txt"));
  EXPECT_TRUE(InProgramDir("WebWhiteList.txt"));
  EXPECT_TRUE(InProgramDir("OutWebWhiteList.txt"));
}

TEST_F(ConfigThreadTest, WithoutTheTransferModuleInitialisationFails) {
  ServeConfig(ConfigWith(""));
  ServeWhitelists();
  RecordingOutcome outcome((programDir_ / "brisgol-http.so").string());
  EXPECT_EQ(Run(outcome), Calls{"failed"});
  EXPECT_FALSE(InProgramDir("config.txt"));
  EXPECT_TRUE(Logged(L"网络传输模块无法加载"));
  EXPECT_TRUE(outcome.InsideWhitelist().IsEmpty());
}

TEST_F(ConfigThreadTest, FilledInsideListSkipsTheWhitelistFetches) {
  ServeConfig(ConfigWith(""));
  outcome_.InsideWhitelist().Append({L"already"});
  EXPECT_EQ(Run(), Calls{"start"});
  EXPECT_FALSE(InProgramDir("WebWhiteList.txt"));
  EXPECT_TRUE(outcome_.OutsideWhitelist().IsEmpty());
}

TEST_F(ConfigThreadTest, MissingDocumentFailsInitialisation) {
  EXPECT_EQ(Run(), Calls{"failed"});
  EXPECT_TRUE(Logged(L"下载失败"));
  EXPECT_TRUE(Logged(L"文件不存在"));
  EXPECT_TRUE(Logged(L"解析失败"));
  EXPECT_FALSE(InProgramDir("config.txt"));
}

TEST_F(ConfigThreadTest, DocumentOfTheWrongShapeFailsInitialisation) {
  ServeConfig(std::string(5000, '[') + std::string(5000, ']'));
  EXPECT_EQ(Run(), Calls{"failed"});
  EXPECT_TRUE(Logged(L"解析失败"));
}

TEST_F(ConfigThreadTest, DocumentForAnotherKeyLogsTheParseFailureAndAnEmptyText) {
  Serve("tolvene/config.txt", SealWithOtherKey(ConfigWith("")));
  EXPECT_EQ(Run(), Calls{"failed"});
  std::wstring log = LogText();
  size_t failure = log.find(L"解析失败\r\n");
  ASSERT_NE(failure, std::wstring::npos);
  // The next record holds the (empty) document text.
  size_t next = log.find(L"]", log.find(L"][", failure) + 2);
  EXPECT_EQ(log.substr(next + 1, 2), L"\r\n");
}

TEST_F(ConfigThreadTest, ShortPlainDocumentWithoutWhitelistsFailsOnTheFetch) {
  Serve("tolvene/config.txt", "{}");
  EXPECT_EQ(Run(), Calls{"failed"});
  EXPECT_TRUE(Logged(L"下载链接为空"));
}

TEST_F(ConfigThreadTest, NewerReleaseWithoutUpdateProgramOnlyReportsIt) {
  ServeConfig(ConfigWith(server_->Url("/files/5.exe"), "d41d8cd98f00b204e9800998ecf8427e"));
  ServeWhitelists();
  EXPECT_EQ(Run(), Calls{"update-missing"});
  EXPECT_TRUE(Logged(L"更新组件丢失"));
  EXPECT_FALSE(InProgramDir("WebWhiteList.txt"));
  EXPECT_TRUE(outcome_.InsideWhitelist().IsEmpty());
}

TEST_F(ConfigThreadTest, NewerReleaseHandsOverToTheUpdateProgramAndExits) {
  std::filesystem::path built = BRISGOL_TEST_PROGRAM_DIR;
  std::filesystem::copy_file(built / "update.exe", programDir_ / "update.exe");
  std::string release = ReleaseScript("restarted.txt");
  Serve("release/5.exe", release);
  WriteTestFile(root_.path() / "release.bin", release);
  std::string md5 = Md5OfFile((root_.path() / "release.bin").string());
  ServeConfig(ConfigWith(server_->Url("/files/release/5.exe"), md5));
  ServeWhitelists();

  EXPECT_EQ(Run(), Calls{"exit"});
  EXPECT_FALSE(InProgramDir("WebWhiteList.txt"));
  EXPECT_TRUE(InProgramDir("update/update.exe"));

  // update.exe replaces this executable's name in the program directory
  // with the release and starts it.
  EXPECT_TRUE(WaitForFile(programDir_ / "restarted.txt")) << ReadTestFile(programDir_ / "update" / "update.log");
  std::string exeName = std::filesystem::read_symlink("/proc/self/exe").filename().string();
  EXPECT_EQ(ReadTestFile(programDir_ / exeName), release);
}

}  // namespace
