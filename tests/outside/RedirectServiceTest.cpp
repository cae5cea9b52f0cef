// The redirection service's rules and its socket, with a recording backend
// in place of nftables: what it takes, what it refuses, and how it drops
// the rules when the proxy or the front end goes away.
#include "outside/redirect/RedirectProtocol.h"
#include "outside/redirect/RedirectService.h"
#include "outside/redirect/ServiceServer.h"
#include "tests/support/TempMachineRoot.h"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace {

class RecordingBackend final : public IRedirectBackend {
 public:
  bool Apply(int port, std::string& error) override {
    std::lock_guard<std::mutex> guard(lock);
    if (failApply) {
      error = "nft refused";
      return false;
    }
    inForce = port;
    return true;
  }
  bool Remove(std::string&) override {
    std::lock_guard<std::mutex> guard(lock);
    inForce = 0;
    ++removals;
    return true;
  }
  int InForce() {
    std::lock_guard<std::mutex> guard(lock);
    return inForce;
  }
  std::mutex lock;
  int inForce = 0;
  int removals = 0;
  bool failApply = false;
};

class FakeWatch final : public IRuleWatch {
 public:
  bool PortListens(int port) override {
    std::lock_guard<std::mutex> guard(lock);
    return listening.count(port) != 0;
  }
  std::string ProcessIdentity(long pid) override {
    std::lock_guard<std::mutex> guard(lock);
    return pid == runningPid ? identity : std::string();
  }
  void StopListening(int port) {
    std::lock_guard<std::mutex> guard(lock);
    listening.erase(port);
  }
  std::mutex lock;
  std::set<int> listening = {48080, 47070};
  long runningPid = 777;
  std::string identity = "started-at-100";
};

std::string Request(const std::string& words) { return std::string(kRequestMagic) + " 1 " + words + "\n"; }

class RedirectServiceTest : public ::testing::Test {
 protected:
  RecordingBackend backend;
  FakeWatch watch;
  std::vector<std::string> log;
  RedirectService service{backend, watch, [this](const std::string& text) { log.push_back(text); }};
};

TEST_F(RedirectServiceTest, TheNewestRuleIsInForceUntilClear) {
  EXPECT_EQ(service.Handle(Request("PING")), "OK\n");
  EXPECT_EQ(service.Handle(Request("ADD 127.0.0.1 48080")), "OK\n");
  EXPECT_EQ(backend.InForce(), 48080);
  EXPECT_EQ(service.Handle(Request("ADD 127.0.0.1 47070")), "OK\n");
  EXPECT_EQ(backend.InForce(), 47070);
  EXPECT_EQ(service.Handle(Request("CLEAR")), "OK\n");
  EXPECT_EQ(backend.InForce(), 0);
  EXPECT_FALSE(service.active());
}

TEST_F(RedirectServiceTest, BadRequestsChangeNothing) {
  for (const std::string& bad :
       {Request("ADD 127.0.0.1 0"), Request("ADD 127.0.0.1 65536"), Request("ADD 192.0.2.1 48080"),
        std::string("BRISGOL-REDIRECT 1 ADD 127.0.0.1 48"), std::string(4096, 'A') + "\n",
        Request("ADD 127.0.0.1 46060")}) {  // nothing listens on 46060
    EXPECT_EQ(service.Handle(bad).rfind("ERR ", 0), 0u) << bad.substr(0, 60);
  }
  EXPECT_EQ(backend.InForce(), 0);
  EXPECT_FALSE(service.active());
}

TEST_F(RedirectServiceTest, TenThousandRulesStopAtTheLimit) {
  int refused = 0;
  for (int i = 0; i < 10000; ++i) refused += service.Handle(Request("ADD 127.0.0.1 48080")) != "OK\n";
  EXPECT_EQ(refused, 10000 - static_cast<int>(RedirectService::kMaxRules));
  EXPECT_EQ(service.Handle(Request("ADD 127.0.0.1 48080")), "ERR too many rules\n");
  EXPECT_EQ(service.Handle(Request("CLEAR")), "OK\n");
  EXPECT_EQ(service.Handle(Request("ADD 127.0.0.1 48080")), "OK\n");
}

TEST_F(RedirectServiceTest, ARefusedChangeKeepsTheEarlierRule) {
  ASSERT_EQ(service.Handle(Request("ADD 127.0.0.1 48080")), "OK\n");
  backend.failApply = true;
  EXPECT_EQ(service.Handle(Request("ADD 127.0.0.1 47070")), "ERR nft refused\n");
  EXPECT_TRUE(service.active());
}

TEST_F(RedirectServiceTest, RulesGoWhenTheProxyStopsListening) {
  ASSERT_EQ(service.Handle(Request("ADD 127.0.0.1 48080")), "OK\n");
  service.Check();
  EXPECT_EQ(backend.InForce(), 48080);
  watch.StopListening(48080);
  service.Check();
  EXPECT_EQ(backend.InForce(), 0);
  EXPECT_FALSE(service.active());
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find("stopped listening"), std::string::npos);
}

TEST_F(RedirectServiceTest, RulesGoWhenTheWatchedFrontEndEndsOrItsIdIsReused) {
  EXPECT_EQ(service.Handle(Request("WATCH 778")), "ERR no process 778 runs\n");
  ASSERT_EQ(service.Handle(Request("ADD 127.0.0.1 48080")), "OK\n");
  ASSERT_EQ(service.Handle(Request("WATCH 777")), "OK\n");
  service.Check();
  EXPECT_TRUE(service.active());
  watch.identity = "started-at-200";  // the id now names another process
  service.Check();
  EXPECT_FALSE(service.active());
  EXPECT_EQ(backend.InForce(), 0);
}

// The socket, served on a thread as the service's main loop does.
class ServedSocket : public RedirectServiceTest {
 protected:
  void Serve(uid_t user) {
    server_ = std::make_unique<ServiceServer>(service, user, [](const std::string&) {});
    std::string error;
    ASSERT_TRUE(server_->Listen(path_, error)) << error;
    stop_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { server_->Run(stop_); });
  }
  void TearDown() override {
    if (thread_.joinable()) {
      const std::uint64_t one = 1;
      EXPECT_EQ(write(stop_, &one, sizeof one), 8);
      thread_.join();
      close(stop_);
    }
  }
  // Sends bytes as one client and returns the whole answer.
  std::string Send(const std::string& bytes, bool closeEarly = false) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return "no connection";
    }
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (closeEarly) shutdown(fd, SHUT_WR);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return answer;
  }
  TempMachineRoot root_;
  std::string path_ = (root_.path() / "redirect.sock").string();
  std::unique_ptr<ServiceServer> server_;
  int stop_ = -1;
  std::thread thread_;
};

TEST_F(ServedSocket, AnswersItsUserAndRefusesTruncatedAndOversizedRequests) {
  Serve(getuid());
  EXPECT_EQ(Send(Request("ADD 127.0.0.1 48080")), "OK\n");
  EXPECT_EQ(backend.InForce(), 48080);
  EXPECT_EQ(Send("BRISGOL-REDIRECT 1 CLE", true), "ERR request not ended by a line feed\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Send("BRISGOL-REDIRECT 1 CLE"), "ERR request not ended by a line feed\n");  // a client that stalls
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(Send(std::string(100000, 'x')), "ERR request too long\n");
  EXPECT_EQ(backend.InForce(), 48080);
  EXPECT_EQ(Send(Request("CLEAR")), "OK\n");
  EXPECT_EQ(backend.InForce(), 0);
}

TEST_F(ServedSocket, ChecksTheRulesWhileIdle) {
  Serve(getuid());
  ASSERT_EQ(Send(Request("ADD 127.0.0.1 48080")), "OK\n");
  watch.StopListening(48080);
  const auto start = std::chrono::steady_clock::now();
  while (backend.InForce() != 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(backend.InForce(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(ServedSocket, RefusesEveryOtherUser) {
  // The service serves another user: our requests carry the wrong
  // credentials (root can still reach the socket file; others cannot).
  Serve(getuid() + 4321);
  const std::string answer = Send(Request("ADD 127.0.0.1 48080"));
  if (geteuid() == 0) {
    EXPECT_EQ(answer, "ERR this service serves user " + std::to_string(getuid() + 4321) + " only\n");
  } else {
    EXPECT_EQ(answer, "no connection");
  }
  EXPECT_EQ(backend.InForce(), 0);
}

}  // namespace
