#include "tests/outside/support/TestNetwork.h"

#include "tests/outside/support/ShellCommand.h"

#include <signal.h>
#include <unistd.h>


namespace {

bool Succeeds(const std::string& command) { return ShellSucceeds(command); }

std::string Address(const std::string& withPrefix) { return withPrefix.substr(0, withPrefix.find('/')); }
bool IsV6(const std::string& address) { return address.find(':') != std::string::npos; }

}  // namespace

TestNetwork::TestNetwork()
    : ns_("bgtest" + std::to_string(getpid())),
      host_("bgh" + std::to_string(getpid())),
      peer_("bgg" + std::to_string(getpid())) {}

TestNetwork::~TestNetwork() {
  server_.Stop(SIGKILL, std::chrono::seconds(2));
  Succeeds("ip link del " + host_);
  if (created_) Succeeds("ip netns del " + ns_);
}

bool TestNetwork::Create(const Layout& layout, std::string& why) {
  const std::string used = ShellOutput("ip -o addr show");
  for (const auto* side : {&layout.host, &layout.inside}) {
    for (const std::string& address : *side) {
      if (used.find(" " + Address(address) + "/") != std::string::npos) {
        why = Address(address) + " is already used on this machine";
        return false;
      }
    }
  }
  const std::string inside = "ip netns exec " + ns_ + " ";
  created_ = Succeeds("ip netns add " + ns_);
  bool ok = created_ && Succeeds("ip link add " + host_ + " type veth peer name " + peer_) &&
            Succeeds("ip link set " + peer_ + " netns " + ns_);
  // No duplicate address detection: the addresses are ours alone, and
  // usable at once.
  for (const std::string& address : layout.host)
    ok = ok && Succeeds("ip addr add " + address + " dev " + host_ + (IsV6(address) ? " nodad" : ""));
  for (const std::string& address : layout.inside)
    ok = ok && Succeeds(inside + "ip addr add " + address + " dev " + peer_ + (IsV6(address) ? " nodad" : ""));
  ok = ok && Succeeds("ip link set " + host_ + " up") && Succeeds(inside + "ip link set " + peer_ + " up") &&
       Succeeds(inside + "ip link set lo up");
  bool routed4 = false, routed6 = false;
  for (const std::string& address : layout.host) {
    bool& routed = IsV6(address) ? routed6 : routed4;
    if (routed) continue;
    routed = true;
    ok = ok && Succeeds(inside + "ip " + (IsV6(address) ? "-6 " : "") + "route add default via " + Address(address));
  }
  if (!ok) why = "cannot create the test network (ip netns, veth)";
  return ok;
}

bool TestNetwork::Start(const std::vector<std::string>& argv, std::string& why) {
  std::vector<std::string> words = {"ip", "netns", "exec", ns_};
  words.insert(words.end(), argv.begin(), argv.end());
  if (server_.Start(words)) return true;
  why = "cannot start " + argv.front() + " in the test network";
  return false;
}
