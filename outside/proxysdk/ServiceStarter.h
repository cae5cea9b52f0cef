// Starting the redirection service when it does not answer: one attempt
// per process, whatever the installation's fallbacks ask for.
//
// As root, the service beside the library is started directly. As an
// ordinary user, only through pkexec (polkit's privilege prompt, found in
// PATH) and only when nobody but root can change the service's file
// (TrustedPath.h); otherwise there is no prompt at all. The wait ends as
// soon as the service answers or the starter exits, at most after
// kPromptWait. The outcome is kept: a refused prompt is not shown again in
// this run, and every later call fails at once with the same advice. No
// lock is held while waiting, except by callers waiting for the same
// attempt.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

class ServiceStarter {
 public:
  static constexpr std::chrono::seconds kRootStartWait{3};
  static constexpr std::chrono::seconds kPromptWait{60};

  // The process's one starter.
  static ServiceStarter& Instance();

  // True when the service answers (started now if it had to be); false
  // with what the user can do (also logged, once).
  bool Ensure(std::string& error);

 private:
  enum class State { kNotTried, kStarting, kStarted, kFailed };

  bool Start(std::string& error);

  std::mutex lock_;
  std::condition_variable finished_;
  State state_ = State::kNotTried;
  std::string failure_;
};
