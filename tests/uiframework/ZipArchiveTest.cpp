// The skin archive reader over archives made by the zip tool and by hand.
#include "StoredZipWriter.h"
#include "ZipToolFixture.h"

#include "tests/support/TempMachineRoot.h"
#include "uiframework/archive/ZipArchive.h"
#include "uiframework/archive/ZipEntryReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return s;
}

class EncryptedSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    files_ = {{"main.xml", "<Window size=\"10,10\"/>"},
              {"btn/close_nor.png", Pattern(777)},
              {"big.bin", Pattern(10000)}};
    bytes_ = BuildZipWithTool(root_.path(), files_, "s3cret");
    ASSERT_FALSE(bytes_.empty());
  }

  ZipArchive* Open(const char* password) {
    return OpenArchiveMemory(bytes_.data(), static_cast<DWORD>(bytes_.size()), password);
  }

  TempMachineRoot root_;
  std::map<std::string, std::string> files_;
  std::string bytes_;
};

}  // namespace

TEST_F(EncryptedSkin, RoundTripsEveryEntryWithThePassword) {
  ZipArchive* archive = Open("s3cret");
  ASSERT_NE(archive, nullptr);
  ZipEntry count;
  ASSERT_EQ(DescribeEntry(archive, -1, count), ZipOk);
  int files = 0;
  for (int i = 0; i < count.index; ++i) {
    ZipEntry entry;
    ASSERT_EQ(DescribeEntry(archive, i, entry), ZipOk);
    if (entry.attributes & kZipAttrDirectory) continue;
    ++files;
    std::string name(entry.name, entry.name + wcslen(entry.name));
    ASSERT_TRUE(files_.count(name)) << name;
    std::string bytes;
    ASSERT_EQ(ReadEntryBytes(archive, entry.name, 1 << 20, bytes), EntryReadStatus::Ok);
    EXPECT_EQ(bytes, files_[name]);
  }
  EXPECT_EQ(files, 3);
  EXPECT_EQ(CloseArchive(archive), ZipOk);
}

TEST_F(EncryptedSkin, FindsTheSameEntryUnderEverySpellingOfItsName) {
  ZipArchive* archive = Open("s3cret");
  ASSERT_NE(archive, nullptr);
  int expected = -1;
  ZipEntry entry;
  ASSERT_EQ(FindEntry(archive, L"btn/close_nor.png", false, expected, entry), ZipOk);
  EXPECT_STREQ(entry.name, L"btn/close_nor.png");
  EXPECT_EQ(entry.uncompressedSize, 777u);
  for (const wchar_t* spelling : {L"btn\\close_nor.png", L"/btn/close_nor.png", L"BTN//CLOSE_NOR.PNG"}) {
    int index = -1;
    EXPECT_EQ(FindEntry(archive, spelling, true, index, entry), ZipOk) << spelling;
    EXPECT_EQ(index, expected);
  }
  int index = 7;
  EXPECT_EQ(FindEntry(archive, L"BTN/CLOSE_NOR.PNG", false, index, entry), ZipNotFound);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(entry.index, -1);
  EXPECT_EQ(FindEntry(archive, L"missing.png", true, index, entry), ZipNotFound);
  CloseArchive(archive);
}

TEST_F(EncryptedSkin, StreamsAnEntryInChunksWithTheSameIndex) {
  ZipArchive* archive = Open("s3cret");
  int index = -1;
  ZipEntry entry;
  ASSERT_EQ(FindEntry(archive, L"big.bin", true, index, entry), ZipOk);
  std::string out;
  std::vector<char> chunk(4096);
  std::vector<DWORD> results, counts;
  for (int call = 0; call < 3; ++call) {
    DWORD read = 0;
    results.push_back(ExtractToMemory(archive, index, chunk.data(), 4096, &read));
    counts.push_back(read);
    out.append(chunk.data(), read);
  }
  EXPECT_EQ(results, (std::vector<DWORD>{ZipMore, ZipMore, ZipOk}));
  EXPECT_EQ(counts, (std::vector<DWORD>{4096, 4096, 1808}));
  EXPECT_EQ(out, files_["big.bin"]);
  // An interrupted stream starts again from the beginning after another
  // entry was touched.
  DWORD read = 0;
  ASSERT_EQ(ExtractToMemory(archive, index, chunk.data(), 4096, &read), ZipMore);
  ZipEntry other;
  int otherIndex;
  FindEntry(archive, L"main.xml", true, otherIndex, other);
  ASSERT_EQ(ExtractToMemory(archive, index, chunk.data(), 4096, &read), ZipMore);
  EXPECT_EQ(std::string(chunk.data(), 4096), files_["big.bin"].substr(0, 4096));
  CloseArchive(archive);
}

TEST_F(EncryptedSkin, WrongOrMissingPasswordIsReportedAndDescribingStillWorks) {
  for (const char* password : {"wrong", static_cast<const char*>(nullptr)}) {
    ZipArchive* archive = Open(password);
    ASSERT_NE(archive, nullptr);
    int index = -1;
    ZipEntry entry;
    ASSERT_EQ(FindEntry(archive, L"main.xml", true, index, entry), ZipOk);
    std::vector<char> buffer(entry.uncompressedSize);
    DWORD read = 99;
    EXPECT_EQ(ExtractToMemory(archive, index, buffer.data(), entry.uncompressedSize, &read), ZipBadPassword);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(ExtractToMemory(archive, index, buffer.data(), entry.uncompressedSize, &read), ZipBadPassword);
    EXPECT_EQ(LastZipResult(), ZipBadPassword);
    CloseArchive(archive);
  }
}

// The header check of the traditional encryption is one byte: about one
// wrong password in 256 passes it. Among 5000 of them some do (a stored
// entry then hands out its first bytes); every one is still a wrong
// password, its last read handing out nothing, in memory and into a file.
TEST_F(EncryptedSkin, EveryWrongPasswordIsReportedEvenThoseThatPassTheHeaderCheck) {
  int passedCheck = 0;
  for (int i = 0; i < 5000; ++i) {
    const std::string password = "wrong" + std::to_string(i);
    ZipArchive* archive = Open(password.c_str());
    ASSERT_NE(archive, nullptr);
    int index = -1;
    ZipEntry entry;
    ASSERT_EQ(FindEntry(archive, L"main.xml", true, index, entry), ZipOk);
    char chunk[4];
    DWORD read = 99;
    DWORD result = ExtractToMemory(archive, index, chunk, sizeof chunk, &read);
    if (result == ZipMore) {
      ++passedCheck;
      while (result == ZipMore) result = ExtractToMemory(archive, index, chunk, sizeof chunk, &read);
    }
    EXPECT_EQ(result, ZipBadPassword) << password;
    EXPECT_EQ(read, 0u) << password;
    ASSERT_EQ(FindEntry(archive, L"big.bin", true, index, entry), ZipOk);
    std::vector<char> buffer(entry.uncompressedSize);
    EXPECT_EQ(ExtractToMemory(archive, index, buffer.data(), entry.uncompressedSize, &read), ZipBadPassword) << password;
    EXPECT_EQ(read, 0u) << password;
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ExtractEntry(archive, index, file, 0, ZipFileHandle, nullptr), ZipBadPassword) << password;
    std::fclose(file);
    CloseArchive(archive);
  }
  EXPECT_GT(passedCheck, 0);
}

TEST(ZipArchive, RejectsBadHandlesArgumentsAndNonArchives) {
  ZipEntry entry;
  int index;
  EXPECT_EQ(DescribeEntry(nullptr, 0, entry), ZipBadArgs);
  EXPECT_EQ(FindEntry(nullptr, L"a", true, index, entry), ZipBadArgs);
  EXPECT_EQ(CloseArchive(nullptr), ZipBadArgs);
  const std::string junk(300, 'j');
  EXPECT_EQ(OpenArchiveMemory(junk.data(), static_cast<DWORD>(junk.size()), nullptr), nullptr);
  EXPECT_EQ(LastZipResult(), ZipNoFile);
  EXPECT_EQ(OpenArchiveFile(L"/nonexistent/skin.zip", nullptr), nullptr);
  EXPECT_EQ(LastZipResult(), ZipNoFile);

  const std::string zip = BuildStoredZip({{"a.txt", "abc"}});
  ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), nullptr);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(DescribeEntry(archive, 1, entry), ZipBadArgs);
  EXPECT_EQ(DescribeEntry(archive, -2, entry), ZipBadArgs);
  char buffer[8];
  EXPECT_EQ(ExtractToMemory(archive, 5, buffer, sizeof(buffer)), ZipBadArgs);
  EXPECT_EQ(ExtractEntry(archive, 0, buffer, sizeof(buffer), 9), ZipBadArgs);
  CloseArchive(archive);
}

TEST(ZipArchive, DescribesStoredNamesWithoutDrivesOrParentSteps) {
  const std::string zip = BuildStoredZip({{"folder/../file.txt", "1"},
                                          {"a/../../evil.txt", "2"},
                                          {"C:\\dir\\x.txt", "3"},
                                          {"//lead.txt", "4"}});
  ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), nullptr);
  ASSERT_NE(archive, nullptr);
  const wchar_t* expected[] = {L"file.txt", L"../evil.txt", L"dir\\x.txt", L"lead.txt"};
  for (int i = 0; i < 4; ++i) {
    ZipEntry entry;
    ASSERT_EQ(DescribeEntry(archive, i, entry), ZipOk);
    EXPECT_STREQ(entry.name, expected[i]);
  }
  CloseArchive(archive);
}

TEST(ZipArchive, ExtendedTimestampReplacesOnlyTheTimesItCarries) {
  StoredZipEntry onlyModified{"m.txt", "x", ExtendedTimestampBlock(1, {1700000000u})};
  StoredZipEntry all{"a.txt", "y", ExtendedTimestampBlock(7, {1000000000u, 1100000000u, 1200000000u})};
  // A block that claims more bytes than the field holds is ignored.
  std::string lying = ExtendedTimestampBlock(7, {1u});
  lying[2] = 13;  // claims three times, holds one
  StoredZipEntry truncated{"t.txt", "z", lying};
  const std::string zip = BuildStoredZip({onlyModified, all, truncated});
  ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), nullptr);
  ASSERT_NE(archive, nullptr);
  auto fileTime = [](std::uint64_t seconds) { return (seconds + 11644473600ull) * 10000000ull; };
  ZipEntry e;
  ASSERT_EQ(DescribeEntry(archive, 0, e), ZipOk);
  EXPECT_EQ(e.modifyTime, fileTime(1700000000u));
  EXPECT_EQ(e.accessTime, e.creationTime);
  EXPECT_NE(e.accessTime, e.modifyTime);
  ASSERT_EQ(DescribeEntry(archive, 1, e), ZipOk);
  EXPECT_EQ(e.modifyTime, fileTime(1000000000u));
  EXPECT_EQ(e.accessTime, fileTime(1100000000u));
  EXPECT_EQ(e.creationTime, fileTime(1200000000u));
  ASSERT_EQ(DescribeEntry(archive, 2, e), ZipOk);
  EXPECT_EQ(e.accessTime, e.modifyTime);
  CloseArchive(archive);
}

TEST(ZipArchive, LyingSizesAndDamagedDataNeverYieldAWrongBuffer) {
  StoredZipEntry shorter{"short.txt", std::string(100, 'a')};
  shorter.lieAboutSize = true;
  shorter.declaredSize = 60;  // the entry holds more than it declares
  StoredZipEntry longer{"long.txt", std::string(10, 'b')};
  longer.lieAboutSize = true;
  longer.declaredSize = 500;  // declares more than the archive holds
  const std::string zip = BuildStoredZip({shorter, longer, {"ok.txt", "fine"}});
  ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), nullptr);
  ASSERT_NE(archive, nullptr);
  std::string bytes;
  EXPECT_EQ(ReadEntryBytes(archive, L"short.txt", 1 << 20, bytes), EntryReadStatus::Failed);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadEntryBytes(archive, L"long.txt", 1 << 20, bytes), EntryReadStatus::Failed);
  EXPECT_EQ(ReadEntryBytes(archive, L"ok.txt", 1 << 20, bytes), EntryReadStatus::Ok);
  EXPECT_EQ(bytes, "fine");
  EXPECT_EQ(ReadEntryBytes(archive, L"ok.txt", 3, bytes), EntryReadStatus::TooLarge);
  EXPECT_EQ(ReadEntryBytes(archive, L"none.txt", 3, bytes), EntryReadStatus::NotFound);
  CloseArchive(archive);

  // Every truncation of a real archive opens cleanly or fails cleanly.
  for (size_t cut = 0; cut < zip.size(); cut += 7) {
    std::string part = zip.substr(0, cut);
    ZipArchive* broken = OpenArchiveMemory(part.data(), static_cast<DWORD>(part.size()), nullptr);
    if (broken == nullptr) continue;
    ReadEntryBytes(broken, L"ok.txt", 1 << 20, bytes);
    CloseArchive(broken);
  }
}

// A deflated entry whose data ends before its declared size (damaged
// data; also what a wrong password that passes the header check yields)
// fails the read that finds it short, handing none of its bytes out.
TEST(ZipArchive, ADeflatedEntryThatEndsShortOfItsDeclaredSizeIsDamaged) {
  TempMachineRoot root;
  std::string zip = BuildZipWithTool(root.path(), {{"data.bin", Pattern(5000)}}, "");
  ASSERT_FALSE(zip.empty());
  ASSERT_EQ(zip.compare(0, 4, "PK\x03\x04"), 0);
  ASSERT_EQ(zip[8], 8) << "the tool stored the entry instead of deflating it";
  const size_t central = zip.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  const std::uint32_t declared = 6000;
  for (size_t at : {size_t{22}, central + 24})
    for (int b = 0; b < 4; ++b) zip[at + b] = static_cast<char>((declared >> (8 * b)) & 0xFF);
  ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), nullptr);
  ASSERT_NE(archive, nullptr);
  int index = -1;
  ZipEntry entry;
  ASSERT_EQ(FindEntry(archive, L"data.bin", true, index, entry), ZipOk);
  ASSERT_EQ(entry.uncompressedSize, declared);
  std::vector<char> buffer(declared);
  DWORD read = 99;
  EXPECT_EQ(ExtractToMemory(archive, index, buffer.data(), declared, &read), ZipInflateFailed);
  EXPECT_EQ(read, 0u);
  // In chunks: the whole data comes out, then the read that finds it short fails.
  DWORD result = ZipMore;
  DWORD total = 0;
  while (result == ZipMore) {
    result = ExtractToMemory(archive, index, buffer.data(), 1000, &read);
    if (result == ZipMore) total += read;
  }
  EXPECT_EQ(result, ZipInflateFailed);
  EXPECT_EQ(total, 5000u);
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ExtractEntry(archive, index, file, 0, ZipFileHandle, nullptr), ZipInflateFailed);
  std::fclose(file);
  CloseArchive(archive);
}

TEST(ZipArchive, ZipBombIsRefusedByItsDeclaredSize) {
  TempMachineRoot root;
  const std::string bytes = BuildZipWithTool(root.path(), {{"bomb.bin", std::string(64 << 20, '\0')}}, "");
  ASSERT_FALSE(bytes.empty());
  ASSERT_LT(bytes.size(), 1u << 20);
  ZipArchive* archive = OpenArchiveMemory(bytes.data(), static_cast<DWORD>(bytes.size()), nullptr);
  ASSERT_NE(archive, nullptr);
  std::string out;
  EXPECT_EQ(ReadEntryBytes(archive, L"bomb.bin", 4u << 20, out), EntryReadStatus::TooLarge);
  EXPECT_TRUE(out.empty());
  CloseArchive(archive);
}

TEST(ZipArchive, ExtractsToFilesOnlyBelowTheRootDirectory) {
  TempMachineRoot root;
  const std::string zip = BuildStoredZip({{"skin/a.txt", "hello"}, {"dir/", ""}});
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(root.path());
  ZipArchive* archive = OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), nullptr);
  std::filesystem::current_path(previous);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(ExtractEntry(archive, 0, const_cast<wchar_t*>(L"out/deep/a.txt"), 0, ZipFileName), ZipOk);
  EXPECT_EQ(ReadTestFile(root.path() / "out/deep/a.txt"), "hello");
  for (const wchar_t* escape : {L"../a.txt", L"out/../../a.txt", L"/tmp/a.txt", L"\\a.txt", L"C:\\a.txt"})
    EXPECT_EQ(ExtractEntry(archive, 0, const_cast<wchar_t*>(escape), 0, ZipFileName), ZipBadArgs) << escape;
  EXPECT_FALSE(std::filesystem::exists(root.path().parent_path() / "a.txt"));
  EXPECT_EQ(ExtractEntry(archive, 9, const_cast<wchar_t*>(L"x"), 0, ZipFileName), ZipOk);
  // Into an open file handle.
  FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(ExtractEntry(archive, 0, out, 0, ZipFileHandle), ZipOk);
  std::rewind(out);
  char text[16] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof(text), out), 5u);
  EXPECT_STREQ(text, "hello");
  std::fclose(out);
  CloseArchive(archive);
}
