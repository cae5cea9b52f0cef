// Test support: an ordinary user account the test creates (useradd) and
// removes again (userdel -r), with every process it left behind. The test
// runs programs as that user the way a login does: its own user and group,
// its home, a clean environment, and the test's X display.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class TestPlayer {
 public:
  // The account "bgp<tag><test's pid>"; Created() says whether useradd did it.
  explicit TestPlayer(const std::string& tag);
  ~TestPlayer();
  TestPlayer(const TestPlayer&) = delete;
  TestPlayer& operator=(const TestPlayer&) = delete;

  bool Created() const { return uid_ != 0; }
  const std::string& name() const { return name_; }
  uid_t uid() const { return uid_; }
  const std::string& home() const { return home_; }

  // Runs argv (PATH looked up) as the player and waits for it; what it
  // printed (standard output and error) goes to output; its exit status,
  // or -1 when it could not be run. environment adds NAME=value entries
  // (a PATH given there goes first).
  int Run(const std::vector<std::string>& argv, std::string& output,
          const std::vector<std::string>& environment = {}) const;
  // Starts argv as the player in a session of its own, output to
  // outputPath ("" = /dev/null); its pid, or -1.
  pid_t Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
              const std::string& outputPath = "") const;

  // The player's processes (by their real user id).
  std::vector<pid_t> Processes() const;

 private:
  // Everything a child needs, made before fork.
  struct Launch {
    std::vector<std::string> words, entries;
    std::vector<char*> args, env;
    std::vector<gid_t> groups;
    std::string path;
  };
  std::vector<std::string> Environment(const std::vector<std::string>& extra) const;
  void Prepare(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               Launch& launch) const;
  [[noreturn]] void Become(Launch& launch) const;

  std::string name_;
  std::string home_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};
