// brisgol-run's refusals: no program, a program that does not exist, and
// running a program with the launcher's group (as root).
#include "outside/redirect/RedirectPaths.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Launcher() { return std::string(std::getenv("BRISGOL_PROGRAM_DIR")) + "/brisgol-run"; }

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

}  // namespace

TEST(BrisgolRun, WithoutAProgramItShowsHowToUseIt) {
  std::string output;
  EXPECT_EQ(ExitCode("", &output), 2);
  EXPECT_NE(output.find("usage: brisgol-run PROGRAM"), std::string::npos) << output;
  EXPECT_EQ(ExitCode("''"), 2);
}

TEST(BrisgolRun, AProgramThatDoesNotExistFailsClearly) {
  std::string output;
  const int code = ExitCode("/nonexistent/game --flag", &output);
  if (getgrnam(kLauncherGroup) == nullptr || geteuid() != 0) {
    EXPECT_EQ(code, 126) << output;  // the group cannot be joined here
  } else {
    EXPECT_EQ(code, 127) << output;
    EXPECT_NE(output.find("cannot run /nonexistent/game: No such file or directory"), std::string::npos) << output;
  }
}

TEST(BrisgolRun, RunsTheProgramWithTheLaunchersGroupAndItsArguments) {
  const group* launcher = getgrnam(kLauncherGroup);
  if (geteuid() != 0 || launcher == nullptr) GTEST_SKIP() << "needs root and the group the redirection service creates";
  std::string output;
  EXPECT_EQ(ExitCode("sh -c 'id -g; id -G; echo \"$0 $1\"' first second", &output), 0);
  const std::string gid = std::to_string(launcher->gr_gid);
  EXPECT_EQ(output, gid + "\n" + gid + "\nfirst second\n");
}
