#include "system/Paths.h"

#include "platform/Debug.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

namespace {

TEST(Paths, DirectoryTreesAreCreatedLevelByLevel) {
  TempMachineRoot root;
  std::wstring base = root.path().wstring();
  std::wstring deep = base + L"\\one\\two/three";
  EXPECT_TRUE(CreateDirectoryTree(deep));
  EXPECT_TRUE(std::filesystem::is_directory(root.path() / "one" / "two" / "three"));
  EXPECT_TRUE(CreateDirectoryTree(deep));
  EXPECT_FALSE(CreateDirectoryTree(L"no-separator-here"));
  WriteTestFile(root.path() / "file", "x");
  EXPECT_FALSE(CreateDirectoryTree(base + L"/file/sub"));
}

TEST(Paths, NamesAndTails) {
  EXPECT_EQ(GetFileNameOfPath(L"C:\\dir\\local.exe"), L"local.exe");
  EXPECT_EQ(GetFileNameOfPath(L"/opt/b/brisgol"), L"brisgol");
  EXPECT_EQ(GetPathTail(L"http://host/a/b.txt"), L"b.txt");
  EXPECT_EQ(GetPathTail(L"plain"), L"plain");
  EXPECT_EQ(GetPathTail(L"dir\\"), L"");
  EXPECT_FALSE(PathExists(L""));
  EXPECT_FALSE(PathExists(static_cast<const wchar_t*>(nullptr)));
  std::wstring dir = GetModuleDirectory(nullptr);
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), L'/');
  EXPECT_TRUE(PathExists(dir + L"system_test"));
}

TEST(Paths, ReadFileToStringStopsAtZeroAndRefusesHugeFiles) {
  TempMachineRoot root;
  WriteTestFile(root.path() / "z", std::string("abc\0def", 7));
  EXPECT_EQ(ReadFileToString((root.path() / "z").wstring()), "abc");
  std::wstring debug;
  SetDebugListener([&debug](const std::wstring& text) { debug += text; });
  EXPECT_EQ(ReadFileToString((root.path() / "missing").wstring()), "");
  EXPECT_EQ(debug, L"文件打开失败\n");
  {
    std::FILE* f = std::fopen((root.path() / "big").c_str(), "wb");
    ASSERT_EQ(fseeko(f, 17 * 1024 * 1024, SEEK_SET), 0);
    std::fputc('x', f);
    std::fclose(f);
  }
  debug.clear();
  EXPECT_EQ(ReadFileToString((root.path() / "big").wstring()), "");
  EXPECT_EQ(debug, L"文件读写异常\n");
  SetDebugListener(nullptr);
}

TEST(Paths, SplitTextKeepsInnerEmptyPiecesOnly) {
  std::vector<std::string> pieces{"stale"};
  SplitText("a\r\nb\r\n", "\r\n", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "b"}));
  SplitText("a,,b", ",", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"a", "", "b"}));
  SplitText("no separator", ",", pieces);
  EXPECT_TRUE(pieces.empty());
  SplitText("", ",", pieces);
  EXPECT_TRUE(pieces.empty());
  SplitText("whole", "", pieces);
  EXPECT_EQ(pieces, (std::vector<std::string>{"whole"}));
}

}  // namespace
