// The bounded tables of the proxy's UDP side (game sockets, and each game
// socket's remote endpoints) and the records traffic can repeat, without
// sockets.
#include "outside/local/LruTable.h"
#include "outside/local/ThrottledLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A value that tells when it is destroyed.
struct Tracked {
  Tracked(std::vector<std::string>& gone, std::string name) : gone(gone), name(std::move(name)) {}
  ~Tracked() { gone.push_back(name); }
  std::vector<std::string>& gone;
  std::string name;
};

using Table = LruTable<std::unique_ptr<Tracked>>;

// Inserts key; the evicted entry's key ("" when none) and whether it was
// destroyed only once handed back.
std::string Add(Table& table, std::vector<std::string>& gone, const std::string& key) {
  std::unique_ptr<Tracked> evicted;
  bool any = false;
  table.Insert(key, std::make_unique<Tracked>(gone, key), evicted, any);
  EXPECT_EQ(any, evicted != nullptr);
  return evicted ? evicted->name : std::string();
}

}  // namespace

TEST(LruTable, ForgetsTheLeastRecentlyUsedEntryWhenFullAndHandsItBack) {
  std::vector<std::string> gone;
  Table table(3);
  EXPECT_EQ(Add(table, gone, "a"), "");
  EXPECT_EQ(Add(table, gone, "b"), "");
  EXPECT_EQ(Add(table, gone, "c"), "");
  EXPECT_TRUE(table.full());
  // Using "a" makes "b" the least recently used.
  ASSERT_NE(table.Find("a"), nullptr);
  EXPECT_EQ(Add(table, gone, "d"), "b");
  // The evicted entry lived until the caller let it go, not inside Insert.
  EXPECT_EQ(gone, std::vector<std::string>{"b"});
  EXPECT_EQ(table.Find("b"), nullptr);
  EXPECT_EQ(Add(table, gone, "e"), "c");
  EXPECT_EQ(table.size(), 3u);
  for (const char* kept : {"a", "d", "e"}) EXPECT_NE(table.Find(kept), nullptr) << kept;
}

TEST(LruTable, StaysBoundedUnderManyNewKeysAndKeepsTheOnesInUse) {
  std::vector<std::string> gone;
  Table table(1024);
  for (int i = 0; i < 5000; ++i) {
    Add(table, gone, "socket " + std::to_string(i));
    // One socket keeps talking all the time: it is never the one to go.
    table.Find("socket 0");
  }
  EXPECT_EQ(table.size(), 1024u);
  EXPECT_EQ(gone.size(), 5000u - 1024u);
  EXPECT_NE(table.Find("socket 0"), nullptr);
  EXPECT_NE(table.Find("socket 4999"), nullptr);
  EXPECT_EQ(table.Find("socket 1"), nullptr);
}

TEST(LruTable, TakesOutWhatAConditionSelectsOldestFirst) {
  std::vector<std::string> gone;
  Table table(8);
  for (const char* key : {"v4 a", "v6 b", "v4 c", "v6 d"}) Add(table, gone, key);
  std::vector<std::string> taken;
  std::vector<std::unique_ptr<Tracked>> kept;
  table.TakeIf([](const std::string& key, const auto&) { return key.rfind("v6", 0) == 0; },
               [&](std::unique_ptr<Tracked> value) {
                 taken.push_back(value->name);
                 kept.push_back(std::move(value));
               });
  EXPECT_EQ(taken, (std::vector<std::string>{"v6 b", "v6 d"}));
  EXPECT_TRUE(gone.empty()) << "the sink decides when taken entries go";
  EXPECT_EQ(table.size(), 2u);
  EXPECT_EQ(table.Find("v6 b"), nullptr);
  // Freed room is used before anything is evicted.
  EXPECT_EQ(Add(table, gone, "v4 e"), "");
  EXPECT_NE(table.Find("v4 a"), nullptr);
}

TEST(LruTable, ACapacityOfZeroStillHoldsOneEntry) {
  std::vector<std::string> gone;
  Table table(0);
  EXPECT_EQ(Add(table, gone, "a"), "");
  EXPECT_EQ(Add(table, gone, "b"), "a");
  EXPECT_EQ(table.size(), 1u);
}

TEST(ThrottledLog, WritesOneRecordPerPeriodAndCountsWhatItLeftOut) {
  using namespace std::chrono_literals;
  ThrottledLog log(60s);
  const auto start = ThrottledLog::Clock::now();
  EXPECT_EQ(log.Note("table full", start), "table full");
  for (int i = 1; i <= 4999; ++i) EXPECT_EQ(log.Note("table full", start + std::chrono::milliseconds(i)), "");
  EXPECT_EQ(log.Note("table full", start + 59s), "");
  EXPECT_EQ(log.Note("table full", start + 60s), "table full (5000 more like it since the last record)");
  EXPECT_EQ(log.Note("table full", start + 61s), "");
  EXPECT_EQ(log.Note("again", start + 200s), "again (1 more like it since the last record)");
  EXPECT_EQ(log.Note("quiet", start + 300s), "quiet");
}
