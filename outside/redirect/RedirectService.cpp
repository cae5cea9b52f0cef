#include "outside/redirect/RedirectService.h"

#include "outside/redirect/NeverRedirected.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

std::string UserName(uid_t uid) { return "user " + std::to_string(uid); }

ServiceAnswer Ok(int socket = -1) { return {FormatAnswer(true, ""), socket}; }
ServiceAnswer Refused(const std::string& reason) { return {FormatAnswer(false, reason), -1}; }

// The request's words without the magic and version, for the log.
std::string RequestWords(std::string_view bytes) {
  std::string text(bytes.substr(0, std::min<std::size_t>(bytes.size(), kMaxRequestBytes)));
  const std::size_t start = text.rfind(std::string(kRequestMagic) + " 1 ", 0) == 0 ? sizeof kRequestMagic + 2 : 0;
  text = text.substr(start);
  for (char& c : text)
    if (c < 0x20 || c > 0x7E) c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

RedirectService::RedirectService(Machine machine, Coverage coverage, std::function<void(const std::string&)> log)
    : machine_(machine), coverage_(coverage), log_(std::move(log)), slotsTaken_(kMaxRuleSlots, false) {}

void RedirectService::Log(const std::string& text) {
  if (repeatedRefusals_ > 0) log_("(the refusal before was repeated " + std::to_string(repeatedRefusals_) + " times)");
  repeatedRefusals_ = 0;
  lastRefusal_.clear();
  log_(text);
}

void RedirectService::LogRefusal(const PeerCredentials& peer, std::string_view request, const std::string& answer) {
  const std::string text =
      UserName(peer.uid) + ": refused \"" + RequestWords(request) + "\": " + answer.substr(4, answer.size() - 5);
  if (text == lastRefusal_) {
    ++repeatedRefusals_;
    return;
  }
  Log(text);
  lastRefusal_ = text;
}

ServiceAnswer RedirectService::Handle(const PeerCredentials& peer, std::string_view bytes) {
  RedirectRequest request;
  std::string error;
  using Command = RedirectRequest::Command;
  ServiceAnswer answer;
  if (!ParseRedirectRequest(bytes, request, error)) {
    answer = Refused(error);
  } else {
    switch (request.command) {
      case Command::kPing: answer = Ok(); break;
      case Command::kAdd: answer = Add(peer, request.port); break;
      case Command::kWatch: answer = Watch(peer, request.pid); break;
      case Command::kClear: answer = Clear(peer); break;
      case Command::kJoin: answer = Join(peer, request.pid); break;
      case Command::kUdpListener: answer = Listener(peer, request.local); break;
      case Command::kUdpReply: answer = Reply(peer, request.remote, request.game); break;
      case Command::kUdpKernel: answer = UdpKernel(peer, request.game, request.remote, request.port); break;
      case Command::kUdpKernelEnd: answer = UdpKernelEnd(peer, request.game, request.remote); break;
      case Command::kUdpKernelSeen: answer = UdpKernelSeen(peer); break;
    }
  }
  if (answer.line.rfind("ERR ", 0) == 0) LogRefusal(peer, bytes, answer.line);
  Tidy(peer.uid);
  return answer;
}

ServiceAnswer RedirectService::Add(const PeerCredentials& peer, int port) {
  UserState& user = users_[peer.uid];
  if (user.rulePorts.size() >= kMaxRules) {
    return Refused("too many rules (at most " + std::to_string(kMaxRules) + "); clear them first");
  }
  std::string error;
  const SocketSnapshot tcp = machine_.view.TcpListeners();
  if (!OwnsListener(tcp, {AF_INET, "127.0.0.1", port}, peer.uid, error)) return Refused(error);
  if (coverage_.byCgroup && !EnsureCgroup(peer.uid, user, error)) return Refused(error);
  unsigned slot = 0;
  if (!TakeSlot(user, slot)) return Refused("too many users have rules in force");
  user.rulePorts.push_back(port);
  const UserRuleset wanted = WantedRuleset(peer.uid, slot, coverage_, user, tcp, machine_.view.UdpSockets());
  const bool changes = !user.applied || !(*user.applied == wanted);
  if (!Enforce(user, wanted, error)) {
    user.rulePorts.pop_back();
    return Refused(error);
  }
  if (changes) Log(UserName(peer.uid) + ": covered traffic goes to the proxy: " + DescribeRuleset(wanted));
  return Ok();
}

ServiceAnswer RedirectService::Watch(const PeerCredentials& peer, long pid) {
  const long owner = machine_.view.ProcessOwner(pid);
  std::string identity = owner < 0 ? std::string() : machine_.view.ProcessIdentity(pid);
  if (identity.empty()) return Refused("no process " + std::to_string(pid) + " runs");
  if (owner != static_cast<long>(peer.uid)) {
    return Refused("process " + std::to_string(pid) + " is not yours");
  }
  UserState& user = users_[peer.uid];
  user.watchedPid = pid;
  user.watchedIdentity = std::move(identity);
  return Ok();
}

ServiceAnswer RedirectService::Clear(const PeerCredentials& peer) {
  const auto found = users_.find(peer.uid);
  if (found == users_.end()) return Ok();
  std::string error;
  if (!DropRules(found->second, error)) return Refused(error);
  return Ok();
}

ServiceAnswer RedirectService::Join(const PeerCredentials& peer, long pid) {
  if (!coverage_.byCgroup) {
    return Refused("this machine has no cgroup v2; programs are covered by their group");
  }
  if (pid != peer.pid) {
    return Refused("process " + std::to_string(pid) + " is not the caller (" + std::to_string(peer.pid) + ")");
  }
  if (machine_.view.ProcessOwner(pid) != static_cast<long>(peer.uid)) {
    return Refused("process " + std::to_string(pid) + " is not yours");
  }
  UserState& user = users_[peer.uid];
  std::string error;
  if (!EnsureCgroup(peer.uid, user, error) || !machine_.cgroups.Move(peer.uid, pid, error)) return Refused(error);
  return Ok();
}

bool RedirectService::EnsureCgroup(uid_t uid, UserState& user, std::string& error) {
  bool created = false;
  if (!machine_.cgroups.Create(uid, created, error)) return false;
  user.cgroup = true;
  // Rules name the cgroup by the id it had when they were loaded: a
  // cgroup made anew needs them loaded again.
  return !created || !user.applied || machine_.backend.Apply(*user.applied, &*user.applied, error);
}

ServiceAnswer RedirectService::Listener(const PeerCredentials& peer, const RedirectEndpoint& local) {
  std::string error;
  if (!OwnsListener(machine_.view.TcpListeners(), local, peer.uid, error)) return Refused(error);
  UserState& user = users_[peer.uid];
  const SocketSnapshot before = machine_.view.UdpSockets();
  std::erase_if(user.listeners, [&](const HandedListener& listener) {
    return !before.Lists(listener.inode) || (listener.family == local.family && listener.port == local.port);
  });
  if (user.listeners.size() >= kMaxListeners) {
    return Refused("too many UDP listeners (at most " + std::to_string(kMaxListeners) + ")");
  }
  const int socket = machine_.sockets.Listener(local, peer.uid, error);
  if (socket < 0) return Refused(error);
  struct stat status {};
  fstat(socket, &status);
  user.listeners.push_back({local.family, local.port, static_cast<unsigned long>(status.st_ino)});
  if (user.applied && user.applied->port == local.port) {
    Follow(peer.uid, user, machine_.view.TcpListeners(), machine_.view.UdpSockets());
  }
  return Ok(socket);
}

ServiceAnswer RedirectService::Reply(const PeerCredentials& peer, const RedirectEndpoint& remote,
                                     const RedirectEndpoint& game) {
  if (IsNeverRedirected(remote) || machine_.view.IsOwnAddress(remote)) {
    return Refused(EndpointText(remote) + " is never redirected");
  }
  if (!machine_.view.IsOwnAddress(game)) {
    return Refused(game.address + " is not an address of this machine");
  }
  const std::set<uid_t> owners = machine_.view.UdpSockets().Owners(game, false);
  if (owners.empty()) return Refused("no UDP socket is bound to " + EndpointText(game));
  if (owners.size() != 1 || *owners.begin() != peer.uid) {
    return Refused(EndpointText(game) + " is another user's");
  }
  std::string error;
  const int socket = machine_.sockets.Reply(remote, game, peer.uid, error);
  if (socket < 0) return Refused(error);
  return Ok(socket);
}

bool RedirectService::TakeSlot(const UserState& user, unsigned& slot) {
  if (user.applied) {
    slot = user.applied->slot;
    return true;
  }
  const auto free = std::find(slotsTaken_.begin(), slotsTaken_.end(), false);
  if (free == slotsTaken_.end()) return false;
  slot = static_cast<unsigned>(free - slotsTaken_.begin());
  return true;
}

bool RedirectService::Enforce(UserState& user, const UserRuleset& wanted, std::string& error) {
  if (user.applied && *user.applied == wanted) return true;
  if (!machine_.backend.Apply(wanted, user.applied ? &*user.applied : nullptr, error)) return false;
  slotsTaken_[wanted.slot] = true;
  user.applied = wanted;
  return true;
}

void RedirectService::Follow(uid_t uid, UserState& user, const SocketSnapshot& tcp, const SocketSnapshot& udp) {
  const UserRuleset wanted = WantedRuleset(uid, user.applied->slot, coverage_, user, tcp, udp);
  if (wanted == *user.applied) return;
  std::string error;
  if (Enforce(user, wanted, error)) {
    Log(UserName(uid) + ": the proxy changed: " + DescribeRuleset(wanted));
  } else {
    Log(UserName(uid) + ": following the proxy failed: " + error);
  }
}

bool RedirectService::DropRules(UserState& user, std::string& error) {
  DropKernelRoutes(user);
  if (user.applied) {
    if (!machine_.backend.Remove(*user.applied, error)) return false;
    slotsTaken_[user.applied->slot] = false;
    user.applied.reset();
  }
  user.rulePorts.clear();
  user.watchedPid = 0;
  user.watchedIdentity.clear();
  return true;
}

void RedirectService::Tidy(uid_t uid) {
  const auto found = users_.find(uid);
  if (found == users_.end()) return;
  UserState& user = found->second;
  if (user.cgroup && !user.applied && !machine_.cgroups.Populated(uid) && machine_.cgroups.Remove(uid)) {
    user.cgroup = false;
  }
  if (user.Idle()) users_.erase(found);
}

void RedirectService::Check() {
  const bool anyRules =
      std::any_of(users_.begin(), users_.end(), [](const auto& entry) { return entry.second.applied.has_value(); });
  SocketSnapshot tcp, udp;
  if (anyRules) {
    tcp = machine_.view.TcpListeners();
    udp = machine_.view.UdpSockets();
  }
  std::vector<uid_t> uids;
  for (const auto& entry : users_) uids.push_back(entry.first);
  for (const uid_t uid : uids) {
    UserState& user = users_[uid];
    if (user.applied) {
      std::string why, ignored;
      if (!OwnsListener(tcp, {AF_INET, "127.0.0.1", user.applied->port}, uid, ignored)) {
        why = "its proxy stopped listening on 127.0.0.1:" + std::to_string(user.applied->port);
      } else if (user.watchedPid != 0 && machine_.view.ProcessIdentity(user.watchedPid) != user.watchedIdentity) {
        why = "its front end (process " + std::to_string(user.watchedPid) + ") ended";
      }
      if (!why.empty()) {
        std::string error;
        const bool removed = DropRules(user, error);
        Log(UserName(uid) + ": " + why + (removed ? ": rules removed" : ": removing the rules failed: " + error));
      } else {
        Follow(uid, user, tcp, udp);
        FollowKernelRoutes(user, udp);
      }
    }
    Tidy(uid);
  }
  FollowKernelDevices();
}

bool RedirectService::NeedsChecks() const {
  return std::any_of(users_.begin(), users_.end(),
                     [](const auto& entry) { return entry.second.applied.has_value() || entry.second.cgroup; });
}

void RedirectService::AdoptCgroups() {
  for (const uid_t uid : machine_.cgroups.Existing()) {
    users_[uid].cgroup = true;
    Tidy(uid);
  }
}

void RedirectService::Stop() {
  for (auto& [uid, user] : users_) {
    std::string error;
    if (!DropRules(user, error)) Log(UserName(uid) + ": removing the rules failed: " + error);
  }
  std::vector<uid_t> uids;
  for (const auto& entry : users_) uids.push_back(entry.first);
  for (const uid_t uid : uids) Tidy(uid);
}
