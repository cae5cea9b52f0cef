// The redirection service's changes to the machine: the users' nftables
// tables, the guard of the handed-over sockets and the policy routes of
// the UDP detour (see NftRuleset.h), through "nft" and "ip".
#pragma once

#include "outside/redirect/RedirectMachine.h"

#include <functional>
#include <string>

class NftBackend final : public IRedirectBackend {
 public:
  explicit NftBackend(std::function<void(const std::string&)> log);

  bool Start(std::string& error) override;
  bool Apply(const UserRuleset& rules, const UserRuleset* previous, std::string& error) override;
  bool Remove(const UserRuleset& rules, std::string& error) override;
  void Stop() override;

 private:
  // Runs the lines with "ip -4 -batch -" and, where the machine has IPv6,
  // "ip -6 -batch -"; force goes on past failing lines and ignores them.
  bool Routes(const std::string& lines, bool force, std::string& error);

  std::function<void(const std::string&)> log_;
  bool ipv6_;
};
