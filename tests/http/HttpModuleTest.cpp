// The transfer module beside the program ("brisgol-http.so") through
// CHttpModule: downloads made with it, and what a missing or wrong module
// does (a clear error on every use, one log record, no crash).
#include "http/HttpClient.h"
#include "http/HttpModule.h"
#include "tkCore/DownloadToFile.h"

#include "tests/http/DownloadFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

namespace {

std::string BuiltModule() { return std::string(std::getenv("BRISGOL_BUILD_DIR")) + "/bin/brisgol-http.so"; }

class HttpModuleTest : public DownloadFixture {
 protected:
  // Occurrences of the module's failure record in the log.
  size_t FailureRecords() const {
    const std::wstring log = LogText();
    size_t count = 0;
    for (size_t at = log.find(L"网络传输模块无法加载"); at != std::wstring::npos;
         at = log.find(L"网络传输模块无法加载", at + 1))
      ++count;
    return count;
  }
};

TEST_F(HttpModuleTest, DownloadsThroughTheModule) {
  Serve("doc.txt", "from the module");
  CHttpModule module(BuiltModule());
  CHttpClient client(module);
  ASSERT_TRUE(client.InitLibCurl(nullptr)) << client.LastError();
  std::string response;
  EXPECT_EQ(client.Request(server_->Url("/files/doc.txt"), kHttpGet, response, nullptr, L""), 200);
  EXPECT_EQ(response, "from the module");
  // A second client of the same module: loaded once, served again.
  const auto target = programDir_ / "doc.txt";
  EXPECT_TRUE(DownloadToFile(module, server_->Url("/files/doc.txt").c_str(), target.wstring().c_str(), 1));
  EXPECT_EQ(ReadTestFile(target), "from the module");
  EXPECT_EQ(FailureRecords(), 0u);
}

TEST_F(HttpModuleTest, AnAbortEndsATransferOfTheModule) {
  CHttpModule module(BuiltModule());
  CTransferAbort abort;
  abort.Abort();
  CHttpClient client(module);
  ASSERT_TRUE(client.InitLibCurl(nullptr));
  client.SetAbort(&abort);
  EXPECT_FALSE(client.Perform(server_->Url("/files/none").c_str(), kHttpGet, nullptr));
  EXPECT_FALSE(client.LastError().empty());
}

// A missing file, a file that is no library, a library without the entry.
class BrokenModuleTest : public HttpModuleTest, public ::testing::WithParamInterface<const char*> {
 protected:
  std::string ModulePath() {
    const std::string kind = GetParam();
    if (kind == "missing") return (programDir_ / "brisgol-http.so").string();
    if (kind == "not-a-library") {
      WriteTestFile(programDir_ / "brisgol-http.so", "not a shared library");
      return (programDir_ / "brisgol-http.so").string();
    }
    return "libm.so.6";
  }
};

TEST_P(BrokenModuleTest, EveryUseFailsWithTheReasonAndOneLogRecord) {
  Serve("doc.txt", "x");
  CHttpModule module(ModulePath());
  std::string error;
  EXPECT_EQ(module.Create("", error), nullptr);
  EXPECT_NE(error.find("transfer module"), std::string::npos) << error;

  CHttpClient client(module);
  EXPECT_FALSE(client.InitLibCurl(nullptr));
  EXPECT_EQ(client.LastError(), error);
  std::string response;
  EXPECT_EQ(client.Request(server_->Url("/files/doc.txt"), kHttpGet, response, nullptr, L""), 0);
  EXPECT_EQ(response, error);

  const auto target = programDir_ / "doc.txt";
  EXPECT_FALSE(DownloadToFile(module, server_->Url("/files/doc.txt").c_str(), target.wstring().c_str(), 1));
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_TRUE(Logged(L"下载失败"));
  EXPECT_EQ(FailureRecords(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BrokenModuleTest, ::testing::Values("missing", "not-a-library", "no-entry"));

// Threads that start downloading at once share one load of the module.
TEST_F(HttpModuleTest, ThreadsLoadingAtOnceAllGetTransports) {
  Serve("doc.txt", "shared");
  CHttpModule module(BuiltModule());
  std::vector<std::string> responses(4);
  std::vector<std::thread> threads;
  for (std::string& response : responses) {
    threads.emplace_back([&module, &response, this] {
      CHttpClient client(module);
      if (client.InitLibCurl(nullptr)) client.Request(server_->Url("/files/doc.txt"), kHttpGet, response, nullptr, L"");
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& response : responses) EXPECT_EQ(response, "shared");
}

}  // namespace
