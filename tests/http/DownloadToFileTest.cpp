// DownloadToFile against the local HTTP server: which answers leave a file,
// which leave none, and the log line of a failed download.
#include "tkCore/DownloadToFile.h"

#include "tests/http/DownloadFixture.h"

#include <gtest/gtest.h>

namespace {

class DownloadToFileTest : public DownloadFixture {
 protected:
  std::filesystem::path Target() const { return programDir_ / "config.txt"; }
  bool Download(const std::string& path) {
    return DownloadToFile(transports_, server_->Url(path).c_str(), Target().wstring().c_str(), 1);
  }
};

TEST_F(DownloadToFileTest, GoodAnswersLeaveTheBodyInTheFile) {
  Serve("doc.txt", "0123456789abcdef");
  EXPECT_TRUE(Download("/files/doc.txt"));
  EXPECT_EQ(ReadTestFile(Target()), "0123456789abcdef");

  EXPECT_TRUE(Download("/files/doc.txt?gzip=1"));
  EXPECT_EQ(ReadTestFile(Target()), "0123456789abcdef");

  // 300 counts as success, as the deployed servers' answers always have.
  EXPECT_TRUE(Download("/status/300"));
  EXPECT_EQ(ReadTestFile(Target()), "status 300");
}

TEST_F(DownloadToFileTest, BadStatusesLeaveNoFileAndLogTheFailure) {
  for (int status : {301, 404, 500}) {
    SCOPED_TRACE(status);
    std::string path = "/status/" + std::to_string(status);
    EXPECT_FALSE(Download(path));
    EXPECT_FALSE(std::filesystem::exists(Target()));
    std::string url = server_->Url(path);
    std::wstring line = std::wstring(url.begin(), url.end()) + L"下载失败" + Target().wstring() + L"," +
                        std::to_wstring(status);
    EXPECT_TRUE(Logged(line)) << "log lacks the failure line for " << status;
  }
}

TEST_F(DownloadToFileTest, BrokenTransfersLeaveNoCutFile) {
  for (const char* path : {"/truncated", "/reset", "/gzip-garbage", "/loop"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(Download(path));
    EXPECT_FALSE(std::filesystem::exists(Target()));
  }
  EXPECT_TRUE(Logged(L"下载失败"));
}

TEST_F(DownloadToFileTest, BodyLargerThanADocumentIsRefused) {
  EXPECT_FALSE(Download("/big?50"));
  EXPECT_FALSE(std::filesystem::exists(Target()));
}

TEST_F(DownloadToFileTest, ExistingFileIsKeptWithoutTrafficUnlessReplaced) {
  WriteTestFile(Target(), "old");
  int before = server_->RequestCount();
  EXPECT_TRUE(DownloadToFile(transports_, server_->Url("/status/404").c_str(), Target().wstring().c_str(), 0));
  EXPECT_EQ(ReadTestFile(Target()), "old");
  EXPECT_EQ(server_->RequestCount(), before + 1);

  // Replacing deletes the old file first: a failed download leaves nothing.
  EXPECT_FALSE(Download("/status/404"));
  EXPECT_FALSE(std::filesystem::exists(Target()));
}

TEST_F(DownloadToFileTest, MissingDirectoriesAreCreated) {
  Serve("doc.txt", "x");
  auto target = programDir_ / "new" / "dir" / "doc.txt";
  EXPECT_TRUE(DownloadToFile(transports_, server_->Url("/files/doc.txt").c_str(), target.wstring().c_str(), 1));
  EXPECT_EQ(ReadTestFile(target), "x");
}

}  // namespace
