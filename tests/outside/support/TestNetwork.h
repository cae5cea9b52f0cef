// A network namespace of the test's own, joined to the machine by a veth
// pair: with loopback, the only place test traffic may go. Removed again
// with its object.
#pragma once

#include "tests/outside/support/ChildProcess.h"

#include <string>
#include <vector>

class TestNetwork {
 public:
  // Addresses with their prefix length ("198.18.7.1/29",
  // "2001:db8:7::1/64"): those of the machine's end and those inside. The
  // inside's default routes lead to the machine's first address of each
  // family, so that answers to any of the machine's addresses come back.
  struct Layout {
    std::vector<std::string> host;
    std::vector<std::string> inside;
  };

  TestNetwork();
  ~TestNetwork();
  TestNetwork(const TestNetwork&) = delete;
  TestNetwork& operator=(const TestNetwork&) = delete;

  // False with why when an address is already used on this machine or the
  // namespace cannot be made.
  bool Create(const Layout& layout, std::string& why);
  // Starts argv inside the namespace; it ends with the network.
  bool Start(const std::vector<std::string>& argv, std::string& why);

 private:
  std::string ns_, host_, peer_;
  bool created_ = false;
  ChildProcess server_;
};
