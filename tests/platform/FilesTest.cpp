#include "platform/Files.h"

#include "platform/LastError.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

namespace {

TEST(Files, BothSeparatorsReachTheSameFiles) {
  TempMachineRoot root;
  std::wstring dir = root.path().wstring() + L"\\a";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryW((root.path().wstring() + L"/a").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(PathIsDirectoryW(dir.c_str()));
  WriteTestFile(root.path() / "a" / "f.sys", "12345");
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW((dir + L"\\f.sys").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_FALSE(CopyFileW((dir + L"\\f.sys").c_str(), (dir + L"\\f.sys").c_str(), TRUE));
  ASSERT_TRUE(CopyFileW((dir + L"\\f.sys").c_str(), (dir + L"\\g.sys").c_str(), FALSE));
  WriteTestFile(root.path() / "a" / "f.sys", "x");
  ASSERT_TRUE(CopyFileW((dir + L"\\f.sys").c_str(), (dir + L"\\g.sys").c_str(), FALSE));
  EXPECT_EQ(ReadTestFile(root.path() / "a" / "g.sys"), "x");
  EXPECT_FALSE(CopyFileW((dir + L"\\missing").c_str(), (dir + L"\\h").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(dir.c_str()));  // a directory is no file
  EXPECT_TRUE(DeleteFileW((dir + L"\\g.sys").c_str()));
}

TEST(Files, EmptyAndOverlongPathsFailCleanly) {
  EXPECT_EQ(GetFileAttributesW(L""), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(nullptr), INVALID_FILE_ATTRIBUTES);
  std::wstring huge(40000, L'a');
  EXPECT_EQ(GetFileAttributesW(huge.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  std::wstring longName = L"/tmp/" + std::wstring(300, L'b');
  EXPECT_EQ(GetFileAttributesW(longName.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(_wfopen(longName.c_str(), L"ab+"), nullptr);
}

TEST(Files, FindReportsTheFullSizeAndWildcardsList) {
  TempMachineRoot root;
  WriteTestFile(root.path() / "x1.txt", std::string(70000, 'z'));
  WriteTestFile(root.path() / "x2.txt", "");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((root.path() / "x1.txt").wstring().c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 70000u);
  EXPECT_STREQ(data.cFileName, L"x1.txt");
  FindClose(find);
  find = FindFirstFileW((root.path() / "x*.txt").wstring().c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int count = 1;
  while (FindNextFileW(find, &data)) ++count;
  EXPECT_EQ(count, 2);
  FindClose(find);
  EXPECT_EQ(FindFirstFileW((root.path() / "none").wstring().c_str(), &data), INVALID_HANDLE_VALUE);
}

TEST(Files, TheWindowsDirectoryLivesUnderTheMachineRoot) {
  TempMachineRoot root;
  wchar_t buffer[1024];
  UINT n = GetWindowsDirectoryW(buffer, 1024);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::wstring(buffer, n), (root.path() / "Windows").wstring());
  EXPECT_TRUE(std::filesystem::is_directory(root.path() / "Windows"));
  EXPECT_EQ(GetWindowsDirectoryW(buffer, 3), n + 1);
}

}  // namespace
