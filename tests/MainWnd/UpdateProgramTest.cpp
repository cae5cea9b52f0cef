// "update.exe", run as the front end runs it: from the "update" folder of
// a program directory, with the request as its one argument.
#include "outside/update/FileDigest.h"

#include "tests/MainWnd/ConfigTestSupport.h"
#include "tests/http/DownloadFixture.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace {

class UpdateProgramTest : public DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    std::filesystem::path built = BRISGOL_TEST_PROGRAM_DIR;
    std::filesystem::create_directories(programDir_ / "update");
    std::filesystem::copy_file(built / "update.exe", programDir_ / "update" / "update.exe");
    WriteTestFile(programDir_ / "app", "old release");
    MakeExecutable(programDir_ / "app", 0750);
    release_ = ReleaseScript("restarted.txt");
    Serve("6.exe", release_);
    WriteTestFile(root_.path() / "release.bin", release_);
    md5_ = Md5OfFile((root_.path() / "release.bin").string());
  }

  int RunUpdate(const std::vector<std::string>& arguments) {
    std::string program = (programDir_ / "update" / "update.exe").string();
    std::vector<char*> argv = {program.data()};
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Request(const std::string& exeName, const std::string& md5, const std::string& url) {
    return "{\"exe_name\":\"" + exeName + "\",\"update_md5\":\"" + md5 + "\",\"update_url\":\"" + url +
           "\",\"version\":\"1.0.4\",\"version_code\":\"4\"}\n";
  }
  std::wstring UpdateLog() const { return ReadLogText(programDir_ / "update" / "update.log"); }
  // The old executable in place and nothing else added beside it.
  bool Unchanged() const {
    for (const auto& entry : std::filesystem::directory_iterator(programDir_)) {
      std::string name = entry.path().filename().string();
      if (name != "app" && name != "update" && name != "log2.log") return false;
    }
    return ReadTestFile(programDir_ / "app") == "old release";
  }

  std::string release_;
  std::string md5_;
};

TEST_F(UpdateProgramTest, MatchingDigestReplacesTheExecutableAndStartsIt) {
  std::string upper = md5_;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(RunUpdate({Request("app", upper, server_->Url("/files/6.exe"))}), 0) << UpdateLog().size();
  EXPECT_EQ(ReadTestFile(programDir_ / "app"), release_);
  EXPECT_EQ(std::filesystem::status(programDir_ / "app").permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0750));
  EXPECT_TRUE(WaitForFile(programDir_ / "restarted.txt"));
}

TEST_F(UpdateProgramTest, DigestMismatchOrFailedDownloadChangesNothing) {
  EXPECT_NE(RunUpdate({Request("app", std::string(32, '0'), server_->Url("/files/6.exe"))}), 0);
  EXPECT_TRUE(Unchanged());
  EXPECT_NE(UpdateLog().find(L"digest mismatch"), std::wstring::npos);

  EXPECT_NE(RunUpdate({Request("app", md5_, server_->Url("/status/404"))}), 0);
  EXPECT_NE(RunUpdate({Request("app", md5_, server_->Url("/truncated"))}), 0);
  EXPECT_TRUE(Unchanged());
}

TEST_F(UpdateProgramTest, MalformedRequestsChangeNothing) {
  std::string url = server_->Url("/files/6.exe");
  const std::vector<std::vector<std::string>> requests = {
      {},
      {"not json"},
      {"[]"},
      {Request("app", md5_, url), "extra"},
      {Request("../app", md5_, url)},
      {Request("app", "", url)},
      {"{\"exe_name\":\"app\",\"update_md5\":\"" + md5_ + "\",\"update_url\":\"" + url + "\"}"},
      {"{\"exe_name\":[\"app\"],\"update_md5\":\"" + md5_ + "\",\"update_url\":\"" + url +
       "\",\"version\":\"1.0.4\",\"version_code\":\"4\"}"},
  };
  for (const auto& request : requests) {
    EXPECT_EQ(RunUpdate(request), 2) << (request.empty() ? "" : request[0]);
    EXPECT_TRUE(Unchanged());
  }
  EXPECT_NE(UpdateLog().find(L"malformed request"), std::wstring::npos);
}

}  // namespace
