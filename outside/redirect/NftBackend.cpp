#include "outside/redirect/NftBackend.h"

#include "outside/redirect/NftRuleset.h"
#include "outside/redirect/RunCommand.h"

namespace {

// Removes the policy route, also every copy of the rule a crash may have
// left; true when none is left.
bool RemoveDetourRoute(std::string& error) {
  const auto commands = RemoveDetourRouteCommands();
  std::string ignored;
  for (int i = 0; i < 16 && RunCommand("ip", commands[0], "", ignored); ++i) {
  }
  // A table that was never filled does not exist: nothing to remove.
  return RunCommand("ip", commands[1], "", error) || error.find("does not exist") != std::string::npos;
}

}  // namespace

bool NftBackend::Apply(int port, std::string& error) {
  if (!RemoveDetourRoute(error)) return false;
  for (const auto& command : AddDetourRouteCommands()) {
    if (!RunCommand("ip", command, "", error)) {
      std::string ignored;
      RemoveDetourRoute(ignored);
      return false;
    }
  }
  if (!RunCommand("nft", {"-f", "-"}, RedirectRuleset(gid_, port), error)) {
    std::string ignored;
    Remove(ignored);
    return false;
  }
  return true;
}

bool NftBackend::Remove(std::string& error) {
  const bool table = RunCommand("nft", {"-f", "-"}, RemoveRuleset(), error);
  std::string routeError;
  const bool route = RemoveDetourRoute(routeError);
  if (table && !route) error = routeError;
  return table && route;
}
