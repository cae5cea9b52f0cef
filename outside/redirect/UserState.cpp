#include "outside/redirect/UserState.h"

#include <arpa/inet.h>

std::string EndpointText(const RedirectEndpoint& endpoint) {
  return (endpoint.family == AF_INET6 ? "[" + endpoint.address + "]" : endpoint.address) + ":" +
         std::to_string(endpoint.port);
}

bool UserState::ListenerOpen(int family, int port, const SocketSnapshot& udp) const {
  for (const HandedListener& listener : listeners)
    if (listener.family == family && listener.port == port && udp.Lists(listener.inode)) return true;
  return false;
}

UserRuleset WantedRuleset(uid_t uid, unsigned slot, const Coverage& coverage, const UserState& user,
                          const SocketSnapshot& tcp, const SocketSnapshot& udp) {
  UserRuleset rules;
  rules.uid = uid;
  rules.slot = slot;
  rules.byCgroup = coverage.byCgroup;
  rules.group = coverage.byCgroup ? 0 : coverage.group;
  rules.port = user.rulePorts.empty() ? 0 : user.rulePorts.back();
  const std::set<uid_t> ipv6Owners = tcp.Owners({AF_INET6, "::1", rules.port}, true);
  rules.ipv6 = ipv6Owners.size() == 1 && *ipv6Owners.begin() == uid;
  rules.udp4 = user.ListenerOpen(AF_INET, rules.port, udp);
  rules.udp6 = rules.ipv6 && user.ListenerOpen(AF_INET6, rules.port, udp);
  return rules;
}

std::string DescribeRuleset(const UserRuleset& rules) {
  std::string text = "TCP to port " + std::to_string(rules.port) + ", IPv4 UDP " + (rules.udp4 ? "detoured" : "direct");
  if (!rules.ipv6) return text + ", IPv6 refused";
  return text + ", IPv6 carried with UDP " + (rules.udp6 ? "detoured" : "direct");
}

bool OwnsListener(const SocketSnapshot& tcp, const RedirectEndpoint& endpoint, uid_t uid, std::string& why) {
  const std::set<uid_t> owners = tcp.Owners(endpoint, true);
  if (owners.empty()) {
    why = "nothing listens on " + EndpointText(endpoint);
    return false;
  }
  if (owners.size() != 1 || *owners.begin() != uid) {
    why = EndpointText(endpoint) + " is another user's";
    return false;
  }
  return true;
}
