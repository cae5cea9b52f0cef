// A child process that runs a piece of a test as another user (root only:
// the uid and gid are set with setresuid and setresgid, no supplementary
// groups), so that a test can send requests with that user's credentials.
// The child reports lines back and stays until the test lets it go.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

class UserChild {
 public:
  // What the child runs: report(text) sends a line to the test; hold()
  // waits until the test calls Finish. Its result is the exit code.
  using Body = std::function<int(const std::function<void(const std::string&)>& report,
                                 const std::function<void()>& hold)>;

  UserChild() = default;
  ~UserChild();
  UserChild(const UserChild&) = delete;
  UserChild& operator=(const UserChild&) = delete;

  bool Start(uid_t uid, gid_t gid, const Body& body);
  pid_t pid() const { return pid_; }
  // The next line the child reported ("" when none came in time).
  std::string Report(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Lets the child go on past hold() and waits for its end: its exit code,
  // -1 when it did not end normally.
  int Finish();

 private:
  pid_t pid_ = -1;
  int reports_ = -1;
  int hold_ = -1;
  std::string pending_;
};

// Runs body as uid:gid and returns its exit code (-1 when it died).
int RunAsUser(uid_t uid, gid_t gid, const std::function<int()>& body);
