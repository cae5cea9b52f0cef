#include "tests/outside/support/TestNetwork.h"

#include "tests/outside/support/ShellCommand.h"

#include <signal.h>
#include <unistd.h>

#include <sstream>

namespace {

bool Succeeds(const std::string& command) { return ShellSucceeds(command); }

std::string Address(const std::string& withPrefix) { return withPrefix.substr(0, withPrefix.find('/')); }
bool IsV6(const std::string& address) { return address.find(':') != std::string::npos; }

}  // namespace

TestNetwork::TestNetwork()
    : ns_("bgtest" + std::to_string(getpid())),
      host_("bgh" + std::to_string(getpid())),
      peer_("bgg" + std::to_string(getpid())),
      lanHost_("bglh" + std::to_string(getpid())),
      lanPeer_("bglg" + std::to_string(getpid())) {}

TestNetwork::~TestNetwork() {
  for (ChildProcess& server : servers_) server.Stop(SIGKILL, std::chrono::seconds(2));
  Succeeds("ip link del " + host_ + " 2>/dev/null");
  Succeeds("ip link del " + lanHost_ + " 2>/dev/null");
  if (created_) Succeeds("ip netns del " + ns_);
}

bool TestNetwork::AddPair(const std::string& host, const std::string& peer,
                          const std::vector<std::string>& hostAddresses,
                          const std::vector<std::string>& insideAddresses) {
  const std::string inside = "ip netns exec " + ns_ + " ";
  bool ok = Succeeds("ip link add " + host + " type veth peer name " + peer) &&
            Succeeds("ip link set " + peer + " netns " + ns_);
  // No duplicate address detection: the addresses are ours alone, and
  // usable at once.
  for (const std::string& address : hostAddresses)
    ok = ok && Succeeds("ip addr add " + address + " dev " + host + (IsV6(address) ? " nodad" : ""));
  for (const std::string& address : insideAddresses)
    ok = ok && Succeeds(inside + "ip addr add " + address + " dev " + peer + (IsV6(address) ? " nodad" : ""));
  return ok && Succeeds("ip link set " + host + " up") && Succeeds(inside + "ip link set " + peer + " up");
}

bool TestNetwork::Create(const Layout& layout, std::string& why) {
  const std::string used = ShellOutput("ip -o addr show");
  for (const auto* side : {&layout.host, &layout.inside, &layout.lanHost, &layout.lanInside}) {
    for (const std::string& address : *side) {
      if (used.find(" " + Address(address) + "/") != std::string::npos) {
        why = Address(address) + " is already used on this machine";
        return false;
      }
    }
  }
  const std::string inside = "ip netns exec " + ns_ + " ";
  created_ = Succeeds("ip netns add " + ns_);
  bool ok = created_ && AddPair(host_, peer_, layout.host, layout.inside) && Succeeds(inside + "ip link set lo up");
  if (ok && !(layout.lanHost.empty() && layout.lanInside.empty())) {
    ok = AddPair(lanHost_, lanPeer_, layout.lanHost, layout.lanInside);
  }
  bool routed4 = false, routed6 = false;
  for (const std::string& address : layout.host) {
    bool& routed = IsV6(address) ? routed6 : routed4;
    if (routed) continue;
    routed = true;
    ok = ok && Succeeds(inside + "ip " + (IsV6(address) ? "-6 " : "") + "route add default via " + Address(address));
  }
  if (!ok) {
    why = "cannot create the test network (ip netns, veth)";
    return false;
  }
  for (const auto* side : {&layout.inside, &layout.lanInside}) {
    for (const std::string& address : *side) {
      if (!RoutesInside(Address(address))) {
        why = Address(address) + " is not routed into the test's own veth pair: " +
              ShellOutput("ip route get " + Address(address) + " 2>&1");
        return false;
      }
    }
  }
  return true;
}

bool TestNetwork::RoutesInside(const std::string& address) const {
  std::istringstream words(ShellOutput("ip route get " + address + " 2>/dev/null"));
  std::string word, previous;
  while (words >> word) {
    if (previous == "dev") return word == host_ || word == lanHost_;
    previous = word;
  }
  return false;
}

bool TestNetwork::Start(const std::vector<std::string>& argv, std::string& why) {
  std::vector<std::string> words = {"ip", "netns", "exec", ns_};
  words.insert(words.end(), argv.begin(), argv.end());
  servers_.emplace_back();
  if (servers_.back().Start(words)) return true;
  servers_.pop_back();
  why = "cannot start " + argv.front() + " in the test network";
  return false;
}
