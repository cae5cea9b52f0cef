// The redirection service's rules and their safety net, apart from the
// socket it listens on and the commands it runs: both are handed in.
//
// Rules: at most kMaxRules, the newest one in force. A rule is only taken
// while something listens on its port. While a rule is in force, Check
// (called several times a second) removes every rule as soon as the
// proxy's port stops listening or the watched front-end process ends, so
// covered traffic flows directly again instead of into a dead port.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the service changes on the machine.
class IRedirectBackend {
 public:
  virtual ~IRedirectBackend() = default;
  // Redirects covered TCP and UDP to 127.0.0.1:port, replacing any earlier
  // redirect.
  virtual bool Apply(int port, std::string& error) = 0;
  // Removes everything Apply put in force; true also when nothing was.
  virtual bool Remove(std::string& error) = 0;
};

// What the service looks at while rules are in force.
class IRuleWatch {
 public:
  virtual ~IRuleWatch() = default;
  virtual bool PortListens(int port) = 0;
  // A text that identifies the running process (it changes when the id is
  // reused); empty when no such process runs.
  virtual std::string ProcessIdentity(long pid) = 0;
};

class RedirectService {
 public:
  static constexpr std::size_t kMaxRules = 16;

  RedirectService(IRedirectBackend& backend, IRuleWatch& watch, std::function<void(const std::string&)> log);

  // Handles one request's bytes; returns the answer line.
  std::string Handle(std::string_view request);
  // Drops the rules when their proxy or the front end is gone.
  void Check();
  // Removes every rule (the service ends, or starts after a crash).
  bool Clear(std::string& error);

  bool active() const { return !ports_.empty(); }

 private:
  std::string Add(int port);
  std::string Watch(long pid);

  IRedirectBackend& backend_;
  IRuleWatch& watch_;
  std::function<void(const std::string&)> log_;
  std::vector<int> ports_;
  long watchedPid_ = 0;
  std::string watchedIdentity_;
};
