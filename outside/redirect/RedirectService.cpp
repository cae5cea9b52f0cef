#include "outside/redirect/RedirectService.h"

#include "outside/redirect/RedirectProtocol.h"

RedirectService::RedirectService(IRedirectBackend& backend, IRuleWatch& watch,
                                 std::function<void(const std::string&)> log)
    : backend_(backend), watch_(watch), log_(std::move(log)) {}

std::string RedirectService::Handle(std::string_view bytes) {
  RedirectRequest request;
  std::string error;
  if (!ParseRedirectRequest(bytes, request, error)) return FormatAnswer(false, error);
  switch (request.command) {
    case RedirectRequest::Command::kPing: return FormatAnswer(true, "");
    case RedirectRequest::Command::kAdd: return Add(request.port);
    case RedirectRequest::Command::kWatch: return Watch(request.pid);
    case RedirectRequest::Command::kClear: return FormatAnswer(Clear(error), error);
    case RedirectRequest::Command::kJoin:
    case RedirectRequest::Command::kUdpListener:
    case RedirectRequest::Command::kUdpReply: return FormatAnswer(false, "not served by this service");
  }
  return FormatAnswer(false, "unknown command");
}

std::string RedirectService::Add(int port) {
  if (ports_.size() >= kMaxRules) return FormatAnswer(false, "too many rules");
  if (!watch_.PortListens(port)) {
    return FormatAnswer(false, "nothing listens on 127.0.0.1:" + std::to_string(port));
  }
  std::string error;
  if (!backend_.Apply(port, error)) {
    // The earlier redirect stays as it was; restore it when the change
    // left nothing in force.
    std::string ignored;
    if (!ports_.empty()) backend_.Apply(ports_.back(), ignored);
    return FormatAnswer(false, error);
  }
  ports_.push_back(port);
  log_("redirecting covered traffic to 127.0.0.1:" + std::to_string(port));
  return FormatAnswer(true, "");
}

std::string RedirectService::Watch(long pid) {
  std::string identity = watch_.ProcessIdentity(pid);
  if (identity.empty()) return FormatAnswer(false, "no process " + std::to_string(pid) + " runs");
  watchedPid_ = pid;
  watchedIdentity_ = std::move(identity);
  return FormatAnswer(true, "");
}

void RedirectService::Check() {
  if (ports_.empty()) return;
  std::string why;
  if (!watch_.PortListens(ports_.back())) {
    why = "the local proxy stopped listening on 127.0.0.1:" + std::to_string(ports_.back());
  } else if (watchedPid_ != 0 && watch_.ProcessIdentity(watchedPid_) != watchedIdentity_) {
    why = "the front end (process " + std::to_string(watchedPid_) + ") ended";
  }
  if (why.empty()) return;
  std::string error;
  const bool removed = Clear(error);
  log_(why + (removed ? ": rules removed" : ": removing the rules failed: " + error));
}

bool RedirectService::Clear(std::string& error) {
  // On failure the rules are kept, so that the next Check tries again.
  if (!backend_.Remove(error)) return false;
  ports_.clear();
  watchedPid_ = 0;
  watchedIdentity_.clear();
  return true;
}
