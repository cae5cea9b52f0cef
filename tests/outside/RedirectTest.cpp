// The real nftables redirect of the redirection library, carrying a
// connection transparently through local.exe and the line server. One test
// case only: the table "ip brisgol" belongs to the whole machine.

#include "outside/proxysdk/proxysdk.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/support/TempMachineRoot.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

// The user whose connections are covered: one of its own, so that neither
// the line server (whose workers run as "nobody") nor anything else on the
// machine is redirected.
constexpr uid_t kGameUid = 43210;

bool NftTableExists() { return std::system("nft list table ip brisgol >/dev/null 2>&1") == 0; }

// A child process running as uid connects to 127.0.0.1:port and sends a
// greeting; the address the server saw it come from is returned.
std::string PeerOfConnectionAs(uid_t uid, int listenFd, int port) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(uid) != 0 || setuid(uid) != 0) _exit(3);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(1);
    _exit(send(fd, "hi", 2, 0) == 2 ? 0 : 2);
  }
  std::string peer;
  pollfd ready{listenFd, POLLIN, 0};
  if (poll(&ready, 1, 5000) == 1) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const int fd = accept(listenFd, reinterpret_cast<sockaddr*>(&from), &length);
    char text[INET_ADDRSTRLEN] = {};
    char greeting[2] = {};
    if (fd >= 0 && recv(fd, greeting, 2, MSG_WAITALL) == 2 && std::string(greeting, 2) == "hi") {
      peer = inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    }
    if (fd >= 0) close(fd);
  }
  waitpid(child, nullptr, 0);
  return peer;
}

class Redirect : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root: nftables and the line server's system user";
    if (std::system("nft list tables >/dev/null 2>&1") != 0) GTEST_SKIP() << "nftables cannot be used here";
    setenv("BRISGOL_NFT_REDIRECT", "1", 1);
    setenv("BRISGOL_NFT_UIDS", std::to_string(kGameUid).c_str(), 1);
    root_ = std::make_unique<TempMachineRoot>();
    line_ = std::make_unique<LineServer>(root_->Dir("lines"));
    std::string why;
    // The line server connects out from 127.0.0.3, so the target can tell
    // a carried connection from a direct one.
    ASSERT_TRUE(line_->Start(FreeLoopbackPort(), why, "127.0.0.3")) << why;
    mainPort_ = FreeLoopbackPort();
    ASSERT_TRUE(proxy_.Start(TestLaunchRecord(line_->port(), mainPort_), (root_->path() / "local.out").string()));
  }

  void TearDown() override {
    if (root_) DeleteRuleAll();
    unsetenv("BRISGOL_NFT_REDIRECT");
    unsetenv("BRISGOL_NFT_UIDS");
    proxy_.process().Stop(SIGKILL, std::chrono::seconds(5));
    line_.reset();
    root_.reset();
  }

  std::unique_ptr<TempMachineRoot> root_;
  std::unique_ptr<LineServer> line_;
  int mainPort_ = 0;
  LocalProxyProcess proxy_;
};

}  // namespace

TEST_F(Redirect, SendsCoveredConnectionsThroughTheProxyUntilDeleteRuleAll) {
  const int listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length);
  listen(listenFd, 8);
  const int port = ntohs(address.sin_port);

  EXPECT_EQ(PeerOfConnectionAs(kGameUid, listenFd, port), "127.0.0.1");

  // Without a list of covered users nothing is redirected at all.
  unsetenv("BRISGOL_NFT_UIDS");
  EXPECT_EQ(AddRule("", "127.0.0.1", std::to_string(mainPort_).c_str(), "", ""), 0);
  EXPECT_FALSE(NftTableExists());
  setenv("BRISGOL_NFT_UIDS", std::to_string(kGameUid).c_str(), 1);

  ASSERT_NE(AddRule("", "127.0.0.1", std::to_string(mainPort_).c_str(), "", ""), 0);
  EXPECT_TRUE(NftTableExists());
  EXPECT_EQ(PeerOfConnectionAs(kGameUid, listenFd, port), "127.0.0.3")
      << ReadTestFile(root_->path() / "local.out") << ReadTestFile(root_->path() / "lines" / ("danted-" + std::to_string(line_->port()) + ".log"));

  DeleteRuleAll();
  EXPECT_FALSE(NftTableExists());
  EXPECT_EQ(PeerOfConnectionAs(kGameUid, listenFd, port), "127.0.0.1");
  close(listenFd);
}
