// brisgol-run's refusals, without a redirection service: no program, a
// program that does not exist, the front end itself, and no service to
// cover the program. (With the real service: RedirectDaemonTest.)
#include "outside/redirect/CoveredCgroup.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string ProgramDirectory() { return std::getenv("BRISGOL_PROGRAM_DIR"); }
std::string Launcher() { return ProgramDirectory() + "/brisgol-run"; }

int ExitCode(const std::string& arguments, std::string* output = nullptr) {
  std::string text;
  FILE* pipe = popen((Launcher() + " " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class BrisgolRun : public ::testing::Test {
 protected:
  // Nothing listens where the service would: no test reaches a real one.
  void SetUp() override { setenv("BRISGOL_REDIRECT_SOCKET", (testing::TempDir() + "/no-service.sock").c_str(), 1); }
  void TearDown() override { unsetenv("BRISGOL_REDIRECT_SOCKET"); }
};

}  // namespace

TEST_F(BrisgolRun, WithoutAProgramItShowsHowToUseIt) {
  std::string output;
  EXPECT_EQ(ExitCode("", &output), 2);
  EXPECT_NE(output.find("usage: brisgol-run PROGRAM"), std::string::npos) << output;
  EXPECT_EQ(ExitCode("''"), 2);
}

TEST_F(BrisgolRun, AProgramThatDoesNotExistFailsClearly) {
  std::string output;
  EXPECT_EQ(ExitCode("/nonexistent/game --flag", &output), 127);
  EXPECT_EQ(output, "brisgol-run: cannot run /nonexistent/game: No such file or directory\n");
  EXPECT_EQ(ExitCode("no-such-game-of-ours", &output), 127);
  EXPECT_EQ(output, "brisgol-run: cannot run no-such-game-of-ours: No such file or directory\n");
  const std::string notAProgram = testing::TempDir() + "/not-a-program";
  { std::ofstream(notAProgram) << "text\n"; }
  std::filesystem::permissions(notAProgram, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(ExitCode(notAProgram, &output), 127);
  EXPECT_EQ(output, "brisgol-run: cannot run " + notAProgram + ": Permission denied\n");
  std::filesystem::remove(notAProgram);
}

TEST_F(BrisgolRun, RefusesToRunTheFrontEndItself) {
  const std::string frontEnd = ProgramDirectory() + "/brisgol";
  std::string output;
  EXPECT_EQ(ExitCode(frontEnd, &output), 2);
  EXPECT_NE(output.find("is the accelerator's front end; start it directly"), std::string::npos) << output;
  // Also by another name.
  const std::string link = testing::TempDir() + "/front-end-link";
  std::filesystem::remove(link);
  std::filesystem::create_symlink(frontEnd, link);
  EXPECT_EQ(ExitCode(link, &output), 2) << output;
  std::filesystem::remove(link);
}

// A program directory of its own, with a stand-in front end: the front
// end is known by what its file is, under any name or path.
TEST_F(BrisgolRun, KnowsTheFrontEndOfItsProgramDirectoryByItsFileNotItsName) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(testing::TempDir()) / ("brisgol-run-identity-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "program");
  fs::create_directories(root / "elsewhere");
  const fs::path launcher = root / "program" / "brisgol-run";
  fs::copy_file(Launcher(), launcher);
  // The stand-in: a script no other program has the bytes of.
  const fs::path frontEnd = root / "program" / "brisgol";
  { std::ofstream(frontEnd) << "#!/bin/sh\n# the front end of " << root.string() << "\necho front end ran\n"; }
  fs::permissions(frontEnd, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  const auto run = [&](const fs::path& program, std::string& output) {
    FILE* pipe = popen((launcher.string() + " " + program.string() + " 2>&1").c_str(), "r");
    output.clear();
    if (pipe == nullptr) return -1;
    char buffer[512];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string output;
  const fs::path copy = root / "elsewhere" / "game";
  fs::copy_file(frontEnd, copy);
  const fs::path link = root / "elsewhere" / "shortcut";
  fs::create_symlink(frontEnd, link);
  const fs::path hardLink = root / "elsewhere" / "hard";
  fs::create_hard_link(frontEnd, hardLink);
  for (const fs::path& disguised : {frontEnd, copy, link, hardLink}) {
    EXPECT_EQ(run(disguised, output), 2) << disguised;
    EXPECT_NE(output.find("is the accelerator's front end; start it directly"), std::string::npos) << output;
    EXPECT_EQ(output.find("front end ran"), std::string::npos) << output;
  }
  // One changed byte and it is another program: it runs (covered, which
  // needs the service; here it only gets as far as asking for it).
  { std::ofstream(copy, std::ios::app) << "#\n"; }
  EXPECT_NE(run(copy, output), 2) << output;
  EXPECT_EQ(output.find("is the accelerator's front end"), std::string::npos) << output;
  fs::remove_all(root);
}

TEST_F(BrisgolRun, WithoutTheServiceItSaysWhatToDo) {
  if (Cgroup2MountPoint().empty()) GTEST_SKIP() << "no cgroup v2 here: brisgol-run covers programs by their group";
  std::string output;
  EXPECT_EQ(ExitCode("true", &output), 126);
  EXPECT_EQ(output.rfind("brisgol-run: the redirection service does not run", 0), 0u) << output;
  EXPECT_NE(output.find("start the accelerator first, then the game"), std::string::npos) << output;
}
