#include "system/EnvProbes.h"

#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class EnvProbesTest : public ::testing::Test {
 protected:
  void SystemFile(const char* name, const std::string& content) {
    WriteTestFile(root.path() / "Windows" / "System32" / name, content);
  }
  TempMachineRoot root;
};

TEST_F(EnvProbesTest, WindowsVersionComesFromNtdllOrTheVersionQuery) {
  int major = 0, minor = 0;
  GetNtdllVersion(major, minor);  // no ntdll.dll: this host counts as Windows 10
  EXPECT_EQ(major, 10);
  EXPECT_EQ(minor, 0);
  EXPECT_TRUE(IsWindows8OrLater());

  struct Case {
    const char* version;
    bool win8;
  } cases[] = {{"6.0.6002.1", false}, {"6.1.7601.0", false}, {"6.2.9200.0", true}, {"10.0.19041.1", true}, {"5.1", false}};
  for (const auto& c : cases) {
    SystemFile("ntdll.dll", std::string("MZ\x90\0junk FILEVERSION ", 21) + c.version + "\n");
    EXPECT_EQ(IsWindows8OrLater(), c.win8) << c.version;
  }
  SystemFile("ntdll.dll", "no version block here");
  WriteTestFile(root.path() / "machine.ini", "[version]\nmajor=6\nminor=1\n");
  GetNtdllVersion(major, minor);
  EXPECT_EQ(major, 6);
  EXPECT_EQ(minor, 1);
}

TEST_F(EnvProbesTest, BrowserEngineVersionIsZeroWhenUnreadable) {
  EXPECT_EQ(GetMshtmlMajorVersion(), 0);
  SystemFile("mshtml.dll", "FILEVERSION garbage");
  EXPECT_EQ(GetMshtmlMajorVersion(), 0);
  SystemFile("mshtml.dll", "FILEVERSION 10.0.9200.16384");
  EXPECT_EQ(GetMshtmlMajorVersion(), 10);
  SystemFile("mshtml.dll", "FILEVERSION 11.0.9600.19180");
  EXPECT_EQ(GetMshtmlMajorVersion(), 11);
}

TEST_F(EnvProbesTest, ServiceStatesMapToTheirCodes) {
  // A default install: the machine's own "tdx" runs, unknown services do not exist.
  EXPECT_EQ(QueryServiceState("tdx"), 1);
  EXPECT_EQ(QueryServiceState("other"), -3);
  WriteTestFile(root.path() / "services.ini", "[tdx]\nstate=absent\n");
  EXPECT_EQ(QueryServiceState("tdx"), -3);
  WriteTestFile(root.path() / "services.ini", "[Tdx]\nstate=stopped\n");
  EXPECT_EQ(QueryServiceState("tdx"), -6);
  WriteTestFile(root.path() / "services.ini",
                "[tdx]\nstate=running\n[stopped]\nstate=stopped\n[locked]\nstate=running\naccess=denied\n");
  EXPECT_EQ(QueryServiceState("tdx"), 1);
  EXPECT_EQ(QueryServiceState("TDX"), 1);
  EXPECT_EQ(QueryServiceState("stopped"), -6);
  EXPECT_EQ(QueryServiceState("locked"), -2);
  EXPECT_EQ(QueryServiceState("other"), -3);
  EXPECT_EQ(QueryServiceState(""), -4);
}

// HKEY_LOCAL_MACHINE takes the value only from an administrator (root);
// the user's own hive takes it always.
TEST_F(EnvProbesTest, EmulationValueIsWrittenForBothHivesUnderTheExecutableName) {
  SetBrowserEmulation(11001);
  std::string store = ReadTestFile(root.path() / "registry.reg");
  EXPECT_NE(store.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_"
                       "BROWSER_EMULATION]\r\n\"system_test\"=dword:00002af9"),
            std::string::npos)
      << store;
  const bool administrator = geteuid() == 0;
  EXPECT_EQ(administrator, store.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_"
                       "BROWSER_EMULATION]\r\n\"system_test\"=dword:00002af9") !=
                               std::string::npos)
      << store;
}

// Runs last in this binary's order of the bitness cache: the first answer
// stays for the whole process.
TEST_F(EnvProbesTest, BitnessFollowsTheMachineAndIsCached) {
  WriteTestFile(root.path() / "machine.ini", "[machine]\nword_size=32\n");
  bool first = IsWow64();
  EXPECT_FALSE(first);
  WriteTestFile(root.path() / "machine.ini", "[machine]\nword_size=64\n");
  EXPECT_EQ(IsWow64(), first);
}

}  // namespace
