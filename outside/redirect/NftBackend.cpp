#include "outside/redirect/NftBackend.h"

#include "outside/redirect/RunCommand.h"

#include <unistd.h>

#include <cstdio>

namespace {

bool Nft(const std::string& text, std::string& error) { return RunCommand("nft", {"-f", "-"}, text, error); }

std::string HandedSocketFilter() {
  char filter[64];
  std::snprintf(filter, sizeof filter, "fwmark = 0x%08x/0x%08x", kHandedSocketMark, kHandedMarkMask);
  return filter;
}

}  // namespace

NftBackend::NftBackend(std::function<void(const std::string&)> log)
    : log_(std::move(log)), ipv6_(access("/proc/net/if_inet6", F_OK) == 0) {}

bool NftBackend::Routes(const std::string& lines, bool force, std::string& error) {
  std::vector<std::string> families = {"-4"};
  if (ipv6_) families.push_back("-6");
  for (const std::string& family : families) {
    std::vector<std::string> arguments = {family};
    if (force) arguments.push_back("-force");
    arguments.insert(arguments.end(), {"-batch", "-"});
    std::string failure;
    if (!RunCommand("ip", arguments, lines, failure) && !force) {
      error = failure;
      return false;
    }
  }
  return true;
}

bool NftBackend::Start(std::string& error) {
  std::string tables;
  if (!RunCommand("nft", {"list", "tables"}, "", error, &tables)) return false;
  // The tables of a crashed copy go and the guard is in force in one
  // transaction; their routes after them.
  if (!Nft(RemoveTablesText(OurTables(tables)) + GuardRulesetText(), error)) return false;
  Routes(RemoveEveryDetourRouteBatch(), true, error);
  for (const char* family : {"-4", "-6"}) {
    if (family == std::string("-6") && !ipv6_) continue;
    std::string left;
    if (!RunCommand("ip", {family, "rule", "list", "pref", std::to_string(kDetourRulePriority)}, "", error, &left)) {
      return false;
    }
    if (!left.empty()) {
      error = "cannot remove the policy rules left at priority " + std::to_string(kDetourRulePriority);
      return false;
    }
  }
  return true;
}

bool NftBackend::Apply(const UserRuleset& rules, const UserRuleset* previous, std::string& error) {
  // The route is in place before the table marks anything for it.
  if (previous == nullptr && !Routes(AddDetourRouteBatch(rules.slot), false, error)) {
    std::string ignored;
    Routes(RemoveDetourRouteBatch(rules.slot), true, ignored);
    return false;
  }
  if (Nft(UserRulesetText(rules), error)) return true;
  if (previous == nullptr) {
    std::string ignored;
    Routes(RemoveDetourRouteBatch(rules.slot), true, ignored);
  }
  return false;
}

bool NftBackend::Remove(const UserRuleset& rules, std::string& error) {
  // Nothing is marked for the route any more once the table is gone.
  if (!Nft(RemoveUserTableText(rules.uid), error)) return false;
  return Routes(RemoveDetourRouteBatch(rules.slot), true, error);
}

void NftBackend::Stop() {
  std::string error, open;
  if (!RunCommand("ss", {"-H", "-u", "-a", "-n", HandedSocketFilter()}, "", error, &open)) {
    log_("the guard of the handed-over sockets stays: cannot list them: " + error);
    return;
  }
  if (!open.empty()) {
    log_("the guard of the handed-over sockets stays: some are still open");
    return;
  }
  if (!Nft(RemoveGuardTableText(), error)) log_("removing the guard failed: " + error);
}
