#include "system/WriteLogFile.h"

#include "platform/CodePage.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>
#include <thread>
#include <vector>

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return root.path() / "log2.log"; }
  std::wstring path() const { return file().wstring(); }
  // The file's records, decoded, after checking the byte-order mark.
  std::vector<std::wstring> Records() {
    std::string bytes = ReadTestFile(file());
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    std::wstring text = Utf16LeBytesToWide(bytes.substr(2));
    std::vector<std::wstring> records;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
      records.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the file ends inside a record";
    return records;
  }
  static std::wstring Message(const std::wstring& record) { return record.substr(record.find(L"]", record.find(L"][") + 1) + 1); }

  TempMachineRoot root;
};

// "[YYYY-MM-DD hh:mm:ss][<source> <line>]" followed by the message.
bool HasRecordPrefix(const std::wstring& record, const std::wstring& site) {
  const std::wstring shape = L"[dddd-dd-dd dd:dd:dd][";
  if (record.size() < shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    bool ok = shape[i] == L'd' ? std::iswdigit(static_cast<wint_t>(record[i])) != 0 : record[i] == shape[i];
    if (!ok) return false;
  }
  return record.compare(shape.size(), site.size() + 1, site + L"]") == 0;
}

TEST_F(LogFileTest, FirstRecordCreatesTheFileWithAByteOrderMark) {
  CWriteLogFile log;
  log.SetLogFile(path(), 1024);
  log.WriteFormat("tests/system/x.cpp", 7, L"当前ie版本为：%d %S", 10, "abc");
  log.WriteText("tests/system/x.cpp", 7, L"");
  log.WriteText("tests/system/x.cpp", 7, L"非BMP \U0001F600 ok");
  auto records = Records();
  ASSERT_EQ(records.size(), 3u);
  for (const auto& r : records) EXPECT_TRUE(HasRecordPrefix(r, L"tests/system/x.cpp 7"));
  EXPECT_EQ(Message(records[0]), L"当前ie版本为：10 abc");
  EXPECT_EQ(Message(records[1]), L"");
  EXPECT_EQ(Message(records[2]), L"非BMP \U0001F600 ok");
  EXPECT_NE(ReadTestFile(file()).find(std::string("\x3D\xD8\x00\xDE", 4)), std::string::npos);  // a surrogate pair
}

TEST_F(LogFileTest, FormattedMessagesAreCutButTextIsWrittenWhole) {
  CWriteLogFile log;
  log.SetLogFile(path(), 1024);
  std::wstring big(20000, L'x');
  log.WriteFormat("f.cpp", 1, L"%s", big.c_str());
  log.WriteText("f.cpp", 2, big);
  auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Message(records[0]).size(), 10239u);
  EXPECT_EQ(Message(records[1]).size(), 20000u);
}

TEST_F(LogFileTest, TheCapDeletesOnlyFilesPastIt) {
  {
    WriteTestFile(file(), std::string(1048576, 'a'));
    CWriteLogFile log;
    log.SetLogFile(path(), 1024);
    EXPECT_EQ(std::filesystem::file_size(file()), 1048576u);  // exactly at the cap: kept
    log.WriteText("f.cpp", 1, L"x");
    // One byte past the cap now: deleted before the next record.
    log.WriteText("f.cpp", 2, L"new");
    auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Message(records[0]), L"new");
  }
  {
    WriteTestFile(file(), std::string(1048577, 'a'));
    CWriteLogFile log;
    log.SetLogFile(path(), 1024);
    EXPECT_FALSE(std::filesystem::exists(file()));
  }
  {
    WriteTestFile(file(), "");
    CWriteLogFile log;
    log.SetLogFile(path(), 1024);
    EXPECT_FALSE(std::filesystem::exists(file()));  // empty at start: deleted
    WriteTestFile(file(), "\xFF\xFE");
    log.SetLogFile(path(), 1024);
    EXPECT_TRUE(std::filesystem::exists(file()));
  }
}

TEST_F(LogFileTest, FilesBeyondFourGigabytesAreStillDeleted) {
  {
    std::FILE* f = std::fopen(file().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseeko(f, (off_t{1} << 32) + 10, SEEK_SET), 0);  // sparse: 4 GiB + 11 bytes
    std::fputc('x', f);
    std::fclose(f);
  }
  EXPECT_EQ(CWriteLogFile::GetLogFileSize(path()), (std::uint64_t{1} << 32) + 11);
  CWriteLogFile log;
  log.SetLogFile(path(), 1024);
  EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(LogFileTest, UnwritablePathsWriteNothing) {
  CWriteLogFile log;
  log.WriteText("f.cpp", 1, L"before any path");  // empty path: dropped
  log.SetLogFile((root.path() / "missing-dir" / "log2.log").wstring(), 1024);
  log.WriteText("f.cpp", 1, L"nowhere");
  EXPECT_FALSE(std::filesystem::exists(root.path() / "missing-dir"));
}

TEST_F(LogFileTest, WritersOnManyThreadsNeverMixTheirLines) {
  CWriteLogFile log;
  log.SetLogFile(path(), 64);  // small cap: deletions happen while others append
  constexpr int kThreads = 6, kRecords = 1500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kRecords; ++i) log.WriteFormat("tests/system/x.cpp", 7, L"thread %d record %04d end", t, i);
    });
  for (auto& th : threads) th.join();
  EXPECT_LE(std::filesystem::file_size(file()), 64u * 1024 + 200);
  auto records = Records();
  ASSERT_FALSE(records.empty());
  for (const auto& r : records) {
    ASSERT_TRUE(HasRecordPrefix(r, L"tests/system/x.cpp 7"));
    std::wstring message = Message(r);
    int thread = -1, record = -1;
    wchar_t end[4] = {};
    ASSERT_EQ(std::swscanf(message.c_str(), L"thread %d record %d %3ls", &thread, &record, end), 3);
    ASSERT_EQ(message, L"thread " + std::to_wstring(thread) + L" record " +
                           (record < 10 ? L"000" : record < 100 ? L"00" : record < 1000 ? L"0" : L"") +
                           std::to_wstring(record) + L" end");
  }
}

}  // namespace
