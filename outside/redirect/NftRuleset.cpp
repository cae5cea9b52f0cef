#include "outside/redirect/NftRuleset.h"

#include "outside/proxysdk/RedirectMark.h"

namespace {

std::string Table() { return std::string("ip ") + kRedirectTable; }

}  // namespace

std::string RedirectRuleset(unsigned gid, int port) {
  const std::string group = std::to_string(gid);
  const std::string target = std::to_string(port);
  const std::string bypass = std::to_string(kProxyBypassMark);
  const std::string detour = std::to_string(kUdpDetourMark);
  // Creating the table first makes the delete succeed when it was absent;
  // nft applies the whole text as one transaction.
  return RemoveRuleset() + "table " + Table() + " {\n" +
         "  chain tcp_out {\n"
         "    type nat hook output priority -100; policy accept;\n"
         "    meta mark " + bypass + " return\n"
         "    ip daddr 127.0.0.0/8 return\n"
         "    meta l4proto tcp meta skgid " + group + " redirect to :" + target + "\n"
         "  }\n"
         "  chain udp_out {\n"
         "    type route hook output priority mangle; policy accept;\n"
         "    meta mark " + bypass + " return\n"
         "    ip daddr 127.0.0.0/8 return\n"
         "    meta l4proto udp meta skgid " + group + " meta mark set " + detour + "\n"
         "  }\n"
         "  chain udp_pre {\n"
         "    type filter hook prerouting priority mangle; policy accept;\n"
         "    meta l4proto udp meta mark " + detour + " tproxy to 127.0.0.1:" + target + "\n"
         "  }\n"
         "}\n";
}

std::string RemoveRuleset() { return "table " + Table() + " {}\ndelete table " + Table() + "\n"; }

std::vector<std::vector<std::string>> AddDetourRouteCommands() {
  const std::string mark = std::to_string(kUdpDetourMark);
  const std::string table = std::to_string(kUdpDetourTable);
  return {{"rule", "add", "fwmark", mark, "lookup", table},
          {"route", "replace", "local", "0.0.0.0/0", "dev", "lo", "table", table}};
}

std::vector<std::vector<std::string>> RemoveDetourRouteCommands() {
  const std::string mark = std::to_string(kUdpDetourMark);
  const std::string table = std::to_string(kUdpDetourTable);
  return {{"rule", "del", "fwmark", mark, "lookup", table}, {"route", "flush", "table", table}};
}
