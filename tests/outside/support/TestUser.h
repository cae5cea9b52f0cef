// An ordinary account made for a test (root only), removed again with its
// object: the player whose programs a test runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class TestUser {
 public:
  TestUser();
  ~TestUser();
  TestUser(const TestUser&) = delete;
  TestUser& operator=(const TestUser&) = delete;

  // False with why when the account cannot be made.
  bool Create(std::string& why);
  uid_t uid() const { return uid_; }
  gid_t gid() const { return gid_; }
  // A shell command run as the user; what it printed (both streams).
  std::string Run(const std::string& command) const;
  // The words that run program as the user and nothing else.
  std::vector<std::string> As(const std::vector<std::string>& program) const;

 private:
  std::string name_;
  bool created_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};
