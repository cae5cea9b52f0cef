#include "outside/proxysdk/NftRedirect.h"

#include "outside/proxysdk/RedirectMark.h"
#include "outside/proxysdk/SdkStateStore.h"
#include "platform/AtomicFile.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>

extern char** environ;

namespace {

constexpr char kTable[] = "ip brisgol";

std::vector<std::string> CoveredUids() {
  std::vector<std::string> uids;
  const char* list = std::getenv("BRISGOL_NFT_UIDS");
  if (list == nullptr) return uids;
  std::string text = list;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = text.substr(start, comma - start);
    unsigned long uid = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), uid);
    if (!item.empty() && error == std::errc() && end == item.data() + item.size()) uids.push_back(item);
    start = comma + 1;
  }
  return uids;
}

// Runs "nft -f <file>" with the given rule text; true on exit status 0.
bool RunNft(const std::string& ruleText, std::string& error) {
  const std::string path = SdkStateDir() + "/nft.rules";
  if (!WriteFileAtomically(path, ruleText)) {
    error = "cannot write " + path;
    return false;
  }
  const char* program = access("/usr/sbin/nft", X_OK) == 0 ? "/usr/sbin/nft" : "nft";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string arg0 = "nft", arg1 = "-f";
  std::string arg2 = path;
  char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    error = "cannot run nft";
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "nft refused the rules";
    return false;
  }
  return true;
}

}  // namespace

bool NftRedirectRequested() {
  const char* flag = std::getenv("BRISGOL_NFT_REDIRECT");
  return geteuid() == 0 && flag != nullptr && std::string(flag) == "1";
}

bool InstallNftRedirect(const std::vector<RedirectRule>& rules, std::string& error) {
  if (rules.empty()) {
    error = "no rule";
    return false;
  }
  const RedirectRule& rule = rules.back();
  in_addr address{};
  int port = 0;
  const auto [end, parseError] = std::from_chars(rule.port.data(), rule.port.data() + rule.port.size(), port);
  if (inet_pton(AF_INET, rule.address.c_str(), &address) != 1 || parseError != std::errc() ||
      end != rule.port.data() + rule.port.size() || port < 1 || port > 65535) {
    error = "the rule names no IPv4 address and port";
    return false;
  }
  const std::vector<std::string> uids = CoveredUids();
  if (uids.empty()) {
    error = "BRISGOL_NFT_UIDS names no user whose traffic is covered";
    return false;
  }
  std::string uidSet;
  for (const std::string& uid : uids) uidSet += (uidSet.empty() ? "" : ", ") + uid;
  const std::string target = rule.address == "127.0.0.1" ? "redirect to :" + rule.port
                                                           : "dnat to " + rule.address + ":" + rule.port;
  // Creating the table first makes the delete succeed when it was absent;
  // nft applies the file as one transaction.
  const std::string text = std::string("table ") + kTable + " {}\n" + "delete table " + kTable + "\n" + "table " +
                           kTable + " {\n" + "  chain output {\n" +
                           "    type nat hook output priority -100; policy accept;\n" + "    meta mark " +
                           std::to_string(kProxyBypassMark) + " return\n" + "    meta l4proto tcp meta skuid { " +
                           uidSet + " } " + target + "\n" + "  }\n" + "}\n";
  return RunNft(text, error);
}

bool RemoveNftRedirect(std::string& error) {
  return RunNft(std::string("table ") + kTable + " {}\ndelete table " + kTable + "\n", error);
}
