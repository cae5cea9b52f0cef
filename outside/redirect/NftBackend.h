// The redirection service's changes to the machine: the nftables table and
// the policy route of the UDP detour (see NftRuleset.h).
#pragma once

#include "outside/redirect/RedirectService.h"

class NftBackend final : public IRedirectBackend {
 public:
  // gid: the launcher's group, whose sockets are covered.
  explicit NftBackend(unsigned gid) : gid_(gid) {}

  bool Apply(int port, std::string& error) override;
  bool Remove(std::string& error) override;

 private:
  unsigned gid_;
};
