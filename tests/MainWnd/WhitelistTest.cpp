// The web whitelists: the match rule, the hand-over between threads, and
// FetchWhitelist against the local HTTP server.
#include "MainWnd/Whitelist.h"
#include "MainWnd/WhitelistFetch.h"

#include "tests/http/DownloadFixture.h"
#include "tests/http/TestDocuments.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(MatchWhitelist, KeyIsTheTextBeforeTheFirstQuestionMark) {
  WhitelistEntries list = {L"abc/def?page=1"};
  EXPECT_TRUE(MatchWhitelist(list, L"https://host/abc/def/list"));
  EXPECT_TRUE(MatchWhitelist(list, L"abc/def"));
  EXPECT_FALSE(MatchWhitelist(list, L"https://host/abc/DEF/list"));
  EXPECT_FALSE(MatchWhitelist(list, L"https://host/abc/de?page=1"));

  EXPECT_TRUE(MatchWhitelist(WhitelistEntries{L"a?b?c"}, L"xax"));
  EXPECT_FALSE(MatchWhitelist(WhitelistEntries{L"a?b?c"}, L"b?c"));
}

TEST(MatchWhitelist, EmptyKeysMatchEverythingAndEmptyListsNothing) {
  EXPECT_TRUE(MatchWhitelist(WhitelistEntries{L"?anything"}, L"https://elsewhere/"));
  EXPECT_TRUE(MatchWhitelist(WhitelistEntries{L""}, L""));
  EXPECT_FALSE(MatchWhitelist(WhitelistEntries{}, L"https://host/"));
  EXPECT_FALSE(MatchWhitelist(CWhitelist(), L"https://host/"));
  EXPECT_TRUE(MatchWhitelist(WhitelistEntries{L"zzz", L"host"}, L"https://host/"));
}

TEST(CWhitelist, ReadersSeeWholeListsInDocumentOrderWhileOneIsPublished) {
  CWhitelist list;
  std::atomic<bool> done{false};
  std::atomic<int> badSnapshots{0};
  std::thread reader([&] {
    while (!done.load()) {
      auto snapshot = list.Snapshot();
      // Each published batch is "0".."99"; a reader sees whole batches.
      if (snapshot->size() % 100 != 0) ++badSnapshots;
      for (size_t i = 0; i < snapshot->size(); ++i)
        if ((*snapshot)[i] != std::to_wstring(i % 100)) ++badSnapshots;
      MatchWhitelist(list, L"https://host/99");
    }
  });
  WhitelistEntries batch;
  for (int i = 0; i < 100; ++i) batch.push_back(std::to_wstring(i));
  for (int round = 0; round < 50; ++round) list.Append(batch);
  done = true;
  reader.join();
  EXPECT_EQ(badSnapshots.load(), 0);
  EXPECT_EQ(list.Snapshot()->size(), 5000u);
  EXPECT_FALSE(list.IsEmpty());
}

class FetchWhitelistTest : public DownloadFixture {
 protected:
  bool Fetch(const std::string& name, WhitelistKind kind = WhitelistKind::kInside) {
    return FetchWhitelist(transports_, server_->Url("/files/" + name), kind, list_);
  }
  CWhitelist list_;
};

TEST_F(FetchWhitelistTest, AppendsTheSealedDocumentsEntriesInOrder) {
  Serve("in.txt", SealWithDocumentKey("[\"https://a/?x\",\"b/c\",\"\xe4\xb8\xad\"]"));
  EXPECT_TRUE(Fetch("in.txt"));
  EXPECT_EQ(*list_.Snapshot(), (WhitelistEntries{L"https://a/?x", L"b/c", L"中"}));
  EXPECT_TRUE(std::filesystem::exists(programDir_ / "WebWhiteList.txt"));

  CWhitelist outside;
  Serve("out.txt", "[\"plain/short\"]");
  EXPECT_TRUE(FetchWhitelist(transports_, server_->Url("/files/out.txt"), WhitelistKind::kOutside, outside));
  EXPECT_EQ(*outside.Snapshot(), WhitelistEntries{L"plain/short"});
  EXPECT_EQ(ReadTestFile(programDir_ / "OutWebWhiteList.txt"), "[\"plain/short\"]");
}

TEST_F(FetchWhitelistTest, EachFailureHasItsLogRecordAndLeavesTheListEmpty) {
  EXPECT_FALSE(FetchWhitelist(transports_, "", WhitelistKind::kInside, list_));
  EXPECT_TRUE(Logged(L"下载链接为空"));

  EXPECT_FALSE(Fetch("missing.txt"));
  EXPECT_TRUE(Logged(L"文件不存在"));

  Serve("other-key.txt", SealWithOtherKey("[\"a\"]"));
  EXPECT_FALSE(Fetch("other-key.txt"));
  EXPECT_TRUE(Logged(L"解密失败"));

  Serve("shape.txt", SealWithDocumentKey("[\"a\",[\"b\"]]"));
  EXPECT_FALSE(Fetch("shape.txt"));
  EXPECT_TRUE(Logged(L"解析失败"));

  Serve("empty.txt", "[]");
  EXPECT_FALSE(Fetch("empty.txt"));
  EXPECT_TRUE(Logged(L"内部数据为空"));
  EXPECT_FALSE(Fetch("empty.txt", WhitelistKind::kOutside));
  EXPECT_TRUE(Logged(L"回调数据为空"));

  EXPECT_TRUE(list_.IsEmpty());
}

}  // namespace
