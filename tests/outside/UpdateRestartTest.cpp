// "update.exe" when the update cannot be completed: the old program is
// started again, so the user is not left with nothing running; an
// unverifiable release is still never installed.
#include "tests/support/TempMachineRoot.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

class UpdateRestart : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = root_.Dir("program");
    std::filesystem::path built = std::getenv("BRISGOL_PROGRAM_DIR");
    std::filesystem::create_directories(program_ / "update");
    std::filesystem::copy_file(built / "update.exe", program_ / "update" / "update.exe");
    // The old release records that it ran, and with how many arguments.
    WriteTestFile(program_ / "app", "#!/bin/sh\necho \"started with $# arguments\" > \"$(dirname \"$0\")/ran.txt\"\n");
    std::filesystem::permissions(program_ / "app", std::filesystem::perms(0750));
  }

  int RunUpdate(const std::string& request) {
    std::string program = (program_ / "update" / "update.exe").string();
    std::string argument = request;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // What the restarted program wrote, waiting up to five seconds for it.
  std::string RanReport() const {
    for (int i = 0; i < 100; ++i) {
      std::string text = ReadTestFile(program_ / "ran.txt");
      if (!text.empty()) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::string();
  }

  static std::string Request(const std::string& md5, const std::string& url) {
    return "{\"exe_name\":\"app\",\"update_md5\":\"" + md5 + "\",\"update_url\":\"" + url +
           "\",\"version\":\"1.0.4\",\"version_code\":\"4\"}\n";
  }

  TempMachineRoot root_;
  std::filesystem::path program_;
};

TEST_F(UpdateRestart, AFailedDownloadStartsTheOldProgramAgainUnchanged) {
  const std::string before = ReadTestFile(program_ / "app");
  // Nothing listens on port 1 of loopback: the download fails at once.
  EXPECT_EQ(RunUpdate(Request(std::string(32, 'a'), "http://127.0.0.1:1/release.bin")), 1);
  EXPECT_EQ(RanReport(), "started with 0 arguments\n");
  EXPECT_EQ(ReadTestFile(program_ / "app"), before);
}

TEST_F(UpdateRestart, AnEmptyDigestIsRefusedAndTheOldProgramStartsAgain) {
  const std::string before = ReadTestFile(program_ / "app");
  EXPECT_EQ(RunUpdate(Request("", "http://127.0.0.1:1/release.bin")), 2);
  EXPECT_EQ(RanReport(), "started with 0 arguments\n");
  EXPECT_EQ(ReadTestFile(program_ / "app"), before);
}

TEST_F(UpdateRestart, ARequestNamingNoPlainProgramStartsNothing) {
  EXPECT_EQ(RunUpdate("not json"), 2);
  EXPECT_EQ(RunUpdate("{\"exe_name\":\"../app\",\"update_md5\":\"\",\"update_url\":\"\",\"version\":\"\","
                      "\"version_code\":\"\"}"),
            2);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(std::filesystem::exists(program_ / "ran.txt"));
}

}  // namespace
