// A network namespace of the test's own, joined to the machine by a veth
// pair and, for a "LAN" host, by a second one: with loopback, the only
// place test traffic may go. Removed again with its object.
#pragma once

#include "tests/outside/support/ChildProcess.h"

#include <list>
#include <string>
#include <vector>

class TestNetwork {
 public:
  // Addresses with their prefix length and any options of "ip addr add"
  // ("198.18.7.1/29", "2001:db8:7::3/64 preferred_lft 0"): those of the machine's end and those inside, on
  // the first pair and on the LAN pair. The inside's default routes lead
  // to the machine's first address of each family on the first pair, so
  // that answers to any of the machine's addresses come back.
  struct Layout {
    std::vector<std::string> host;
    std::vector<std::string> inside;
    std::vector<std::string> lanHost = {};
    std::vector<std::string> lanInside = {};
  };

  TestNetwork();
  ~TestNetwork();
  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  // False with why when an address is already used on this machine, the
  // namespace cannot be made, or an inside address would not be routed
  // into the test's own veth pairs ("ip route get").
  bool Create(const Layout& layout, std::string& why);
  // Starts argv inside the namespace; it ends with the network.
  bool Start(const std::vector<std::string>& argv, std::string& why);
  // True when the machine routes address into one of the test's veth
  // pairs (and so into the namespace).
  bool RoutesInside(const std::string& address) const;

 private:
  bool AddPair(const std::string& host, const std::string& peer, const std::vector<std::string>& hostAddresses,
               const std::vector<std::string>& insideAddresses);

  std::string ns_, host_, peer_, lanHost_, lanPeer_;
  bool created_ = false;
  std::list<ChildProcess> servers_;
};
