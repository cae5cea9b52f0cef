#include "outside/drivers/DriverFile.h"
#include "outside/proxysdk/SdkState.h"
#include "outside/proxysdk/proxysdk.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

class ProxySdk : public ::testing::Test {
 protected:
  // Writes a driver file into the temporary Windows\sys folder.
  std::string Driver(const std::string& name, DriverKind kind, int bits, bool loads = true) {
    const auto path = root_.Dir("Windows/sys") / name;
    WriteTestFile(path, FormatDriverFile({name, kind, bits, loads}));
    return path.string();
  }

  SdkState State() {
    SdkState state;
    ParseSdkState(ReadTestFile(root_.path() / "proxysdk" / "state"), state);
    return state;
  }

  TempMachineRoot root_;
};

}  // namespace

TEST_F(ProxySdk, InstallsAWellFormedPairAndReportsItRunning) {
  const std::string proxy = Driver("proxy64.sys", DriverKind::kProxy, 64);
  const std::string process = Driver("process64.sys", DriverKind::kProcess, 64);
  EXPECT_EQ(DriverIsRun(), 0);
  InitDriverFirst();
  EXPECT_NE(InitDriver(nullptr, proxy.c_str(), nullptr, process.c_str()), 0);
  EXPECT_NE(DriverIsRun(), 0);
  EXPECT_TRUE(State().installed);
  EXPECT_EQ(State().bits, 64);

  // The state belongs to the machine: a new installation attempt starts
  // from nothing, and damage to an installed file stops the driver.
  InitDriverFirst();
  EXPECT_EQ(DriverIsRun(), 0);
  EXPECT_NE(InitDriver(nullptr, proxy.c_str(), nullptr, process.c_str()), 0);
  WriteTestFile(proxy, "garbage");
  EXPECT_EQ(DriverIsRun(), 0);
}

TEST_F(ProxySdk, ThirtyTwoBitPairInFirstAndThirdPlaces) {
  const std::string proxy = Driver("proxy32.sys", DriverKind::kProxy, 32);
  const std::string process = Driver("process32.sys", DriverKind::kProcess, 32);
  EXPECT_NE(InitDriver(proxy.c_str(), nullptr, process.c_str(), nullptr), 0);
  // 32-bit files given as the 64-bit pair are refused.
  EXPECT_EQ(InitDriver(nullptr, proxy.c_str(), nullptr, process.c_str()), 0);
  EXPECT_EQ(DriverIsRun(), 0);
}

TEST_F(ProxySdk, RefusesMissingDamagedMisplacedAndRefusingDrivers) {
  const std::string proxy = Driver("proxy64.sys", DriverKind::kProxy, 64);
  const std::string process = Driver("process64.sys", DriverKind::kProcess, 64);
  const std::string failing = Driver("proxy64_old.sys", DriverKind::kProxy, 64, false);
  const std::string damaged = (root_.Dir("Windows/sys") / "damaged.sys").string();
  WriteTestFile(damaged, "MZ not ours");
  const std::string missing = (root_.path() / "nowhere.sys").string();

  EXPECT_EQ(InitDriver(nullptr, failing.c_str(), nullptr, process.c_str()), 0);
  EXPECT_NE(State().error.find("refused to load"), std::string::npos);
  EXPECT_EQ(InitDriver(nullptr, damaged.c_str(), nullptr, process.c_str()), 0);
  EXPECT_EQ(InitDriver(nullptr, missing.c_str(), nullptr, process.c_str()), 0);
  EXPECT_EQ(InitDriver(nullptr, process.c_str(), nullptr, proxy.c_str()), 0);  // kinds swapped
  EXPECT_EQ(InitDriver(nullptr, proxy.c_str(), nullptr, nullptr), 0);
  EXPECT_EQ(InitDriver(proxy.c_str(), proxy.c_str(), process.c_str(), process.c_str()), 0);
  EXPECT_EQ(InitDriver(nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(DriverIsRun(), 0);

  // Replacing the refusing file, as the caller's fallback does, works.
  WriteTestFile(failing, FormatDriverFile({"proxy64_old.sys", DriverKind::kProxy, 64, true}));
  EXPECT_NE(InitDriver(nullptr, failing.c_str(), nullptr, process.c_str()), 0);
}

TEST_F(ProxySdk, AcceptsWindowsStyleSeparators) {
  Driver("proxy64.sys", DriverKind::kProxy, 64);
  Driver("process64.sys", DriverKind::kProcess, 64);
  const std::string folder = (root_.path() / "Windows").string() + "\\sys";
  EXPECT_NE(InitDriver(nullptr, (folder + "\\proxy64.sys").c_str(), nullptr, (folder + "\\process64.sys").c_str()), 0);
}

TEST_F(ProxySdk, KeepsRulesUntilDeleteRuleAll) {
  EXPECT_NE(AddRule("", "127.0.0.1", "48080", "", ""), 0);
  ASSERT_EQ(State().rules.size(), 1u);
  EXPECT_EQ(State().rules[0].address, "127.0.0.1");
  EXPECT_EQ(State().rules[0].port, "48080");
  EXPECT_NE(AddRule(nullptr, "127.0.0.1", "47070", "note\twith\ntabs%", nullptr), 0);
  ASSERT_EQ(State().rules.size(), 2u);
  EXPECT_EQ(State().rules[1].note, "note\twith\ntabs%");

  EXPECT_EQ(AddRule("", "127.0.0.1", "0", "", ""), 0);
  EXPECT_EQ(AddRule("", "127.0.0.1", "65536", "", ""), 0);
  EXPECT_EQ(AddRule("", "127.0.0.1", "", "", ""), 0);
  EXPECT_EQ(AddRule("", "localhost", "48080", "", ""), 0);
  EXPECT_EQ(AddRule("udp", "127.0.0.1", "48080", "", ""), 0);
  EXPECT_EQ(State().rules.size(), 2u);

  DeleteRuleAll();
  EXPECT_TRUE(State().rules.empty());
  DeleteRuleAll();
  EXPECT_TRUE(State().rules.empty());
}

TEST_F(ProxySdk, RegistersLiveProcessIdsOnceAndDropsEndedOnes) {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  EXPECT_NE(AddPid(static_cast<unsigned long>(child)), 0);
  waitpid(child, nullptr, 0);

  EXPECT_NE(AddPid(static_cast<unsigned long>(getpid())), 0);
  EXPECT_NE(AddPid(static_cast<unsigned long>(getpid())), 0);
  EXPECT_EQ(AddPid(0), 0);
  ASSERT_EQ(State().pids.size(), 1u);
  EXPECT_EQ(State().pids[0], static_cast<unsigned long>(getpid()));
}

TEST_F(ProxySdk, StateSurvivesAsAReadableFileAndDamageReadsAsEmpty) {
  AddRule("", "127.0.0.1", "46060", "", "");
  const std::string text = ReadTestFile(root_.path() / "proxysdk" / "state");
  EXPECT_EQ(text.rfind("proxysdk-state 1\n", 0), 0u);
  EXPECT_NE(text.find("rule=\t127.0.0.1\t46060\t\t\n"), std::string::npos);

  WriteTestFile(root_.path() / "proxysdk" / "state", "half-writ");
  EXPECT_EQ(DriverIsRun(), 0);
  EXPECT_NE(AddRule("", "127.0.0.1", "46060", "", ""), 0);
  EXPECT_EQ(State().rules.size(), 1u);
}
