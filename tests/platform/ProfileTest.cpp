#include "platform/Profile.h"

#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  TempMachineRoot root;
  std::wstring Path(const char* name) {
    auto p = (root.path() / name).wstring();
    return p;
  }
};

TEST_F(ProfileTest, WritesAndReadsKeysIgnoringCaseOfNames) {
  std::wstring cfg = Path("local.cfg");
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"proxy_port_index", -1, cfg.c_str()), static_cast<UINT>(-1));
  ASSERT_TRUE(WritePrivateProfileStringW(L"config", L"proxy_port_index", L"1", cfg.c_str()));
  EXPECT_EQ(ReadTestFile(root.path() / "local.cfg"), "[config]\r\nproxy_port_index=1\r\n");
  EXPECT_EQ(GetPrivateProfileIntW(L"CONFIG", L"Proxy_Port_Index", -1, cfg.c_str()), 1u);
  ASSERT_TRUE(WritePrivateProfileStringW(L"config", L"tdx_check", L"0", cfg.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"config", L"PROXY_PORT_INDEX", L"3", cfg.c_str()));
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"proxy_port_index", -1, cfg.c_str()), 3u);
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"tdx_check", 1, cfg.c_str()), 0u);
  wchar_t buffer[4];
  EXPECT_EQ(GetPrivateProfileStringW(L"config", L"missing", L"default", buffer, 4, cfg.c_str()), 3u);
  EXPECT_STREQ(buffer, L"def");
}

TEST_F(ProfileTest, ParsesIntegersTheWayWindowsDoes) {
  WriteTestFile(root.path() / "a.ini",
                "; comment\n[config]\nneg = -2\nspaced=  12abc\nword=abc\nempty=\n[other]\nneg=9\n");
  std::wstring ini = Path("a.ini");
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(L"config", L"neg", 5, ini.c_str())), -2);
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"spaced", 5, ini.c_str()), 12u);
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"word", 5, ini.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"empty", 5, ini.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileIntW(L"other", L"neg", 5, ini.c_str()), 9u);
}

TEST_F(ProfileTest, MalformedOrUnreadableFilesReadAsEmpty) {
  WriteTestFile(root.path() / "junk.ini", std::string("\x00\xFF[con\nfig]=\n\xC3(=\n", 16));
  std::wstring junk = Path("junk.ini");
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"x", 7, junk.c_str()), 7u);
  std::filesystem::create_directories(root.path() / "dir.ini");
  std::wstring dir = Path("dir.ini");
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"x", 7, dir.c_str()), 7u);
  EXPECT_FALSE(WritePrivateProfileStringW(L"config", L"x", L"1", dir.c_str()));
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"x", 7, L""), 7u);
}

TEST_F(ProfileTest, ReadsUtf16FilesWithByteOrderMark) {
  std::string bytes = "\xFF\xFE";
  for (char c : std::string("[config]\r\ntdx_check=0\r\n")) bytes += std::string{c, '\0'};
  WriteTestFile(root.path() / "u16.cfg", bytes);
  std::wstring cfg = Path("u16.cfg");
  EXPECT_EQ(GetPrivateProfileIntW(L"config", L"tdx_check", 1, cfg.c_str()), 0u);
}

TEST_F(ProfileTest, BackslashSeparatedPathsReachTheSameFile) {
  std::wstring doubled = (root.path().wstring() + L"\\\\sub\\local.cfg");
  std::filesystem::create_directories(root.path() / "sub");
  ASSERT_TRUE(WritePrivateProfileStringW(L"config", L"k", L"v", doubled.c_str()));
  EXPECT_EQ(ReadTestFile(root.path() / "sub" / "local.cfg"), "[config]\r\nk=v\r\n");
}

}  // namespace
