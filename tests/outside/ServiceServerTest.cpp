// The service's socket with real peers: each request is answered for the
// user its connection's credentials name (another user's child is made
// with setresuid), clients that stall or send too much delay nobody, the
// handed-over socket arrives with its answer, and a socket handed over by
// systemd is served the same.
#include "outside/redirect/ProcWatch.h"
#include "outside/redirect/RedirectPaths.h"
#include "outside/redirect/ServiceClient.h"
#include "outside/redirect/ServiceServer.h"
#include "tests/outside/support/FakeRedirectMachine.h"
#include "tests/outside/support/UserChild.h"

#include <arpa/inet.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

constexpr uid_t kOther = 4242;
constexpr uid_t kThird = 4343;

using Clock = std::chrono::steady_clock;

// The machine's real listeners and processes, counting how often they were
// read.
class CountingView final : public IMachineView {
 public:
  SocketSnapshot TcpListeners() override {
    ++looks;
    return real.TcpListeners();
  }
  SocketSnapshot UdpSockets() override { return real.UdpSockets(); }
  std::string ProcessIdentity(long pid) override { return real.ProcessIdentity(pid); }
  long ProcessOwner(long pid) override { return real.ProcessOwner(pid); }
  bool IsOwnAddress(const RedirectEndpoint& endpoint) override { return real.IsOwnAddress(endpoint); }
  ProcWatch real;
  std::atomic<int> looks{0};
};

// A TCP listener on 127.0.0.1 at a free port, as a proxy has.
class Listener {
 public:
  Listener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd_, 4) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~Listener() { Close(); }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

RedirectRequest Command(RedirectRequest::Command command, int port = 0, long pid = 0) {
  RedirectRequest request;
  request.command = command;
  request.port = port;
  request.pid = pid;
  return request;
}

bool Ask(const RedirectRequest& request, std::string& error, int* socket = nullptr) {
  return AskRedirectService(request, error, socket);
}

class ServedSocket : public ::testing::Test {
 protected:
  ServedSocket() {
    // A folder every user can reach, as /run/brisgol is.
    char folder[] = "/tmp/brisgol-server-XXXXXX";
    dir_ = mkdtemp(folder);
    chmod(dir_.c_str(), 0755);
    path_ = dir_ + "/redirect.sock";
    setenv("BRISGOL_REDIRECT_SOCKET", path_.c_str(), 1);
  }
  ~ServedSocket() override {
    StopServing();
    unsetenv("BRISGOL_REDIRECT_SOCKET");
    std::filesystem::remove_all(dir_);
  }
  void Serve(int adopted = -1) {
    server_ = std::make_unique<ServiceServer>(service_, [](const std::string&) {});
    std::string error;
    ASSERT_TRUE(adopted >= 0 ? server_->Adopt(adopted, error) : server_->Listen(path_, error)) << error;
    stop_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { server_->Run(stop_); });
  }
  void StopServing() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    EXPECT_EQ(write(stop_, &one, sizeof one), 8);
    thread_.join();
    close(stop_);
    server_.reset();
  }
  // Sends bytes as one client and returns the whole answer.
  std::string Send(const std::string& bytes, bool closeEarly = false) {
    const int fd = Connect();
    if (fd < 0) return "no connection";
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (closeEarly) shutdown(fd, SHUT_WR);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return answer;
  }
  int Connect() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }
  UserRuleset Table(uid_t uid) {
    UserRuleset rules;
    return backend_.InForce(uid, rules) ? rules : UserRuleset{};
  }

  FakeBackend backend_;
  CountingView view_;
  FakeCgroups cgroups_;
  FakeSockets sockets_;
  FakeKernelPath kernel_;
  RedirectService service_{{backend_, view_, cgroups_, sockets_, kernel_}, Coverage{}, [](const std::string&) {}};
  std::string dir_, path_;
  std::unique_ptr<ServiceServer> server_;
  int stop_ = -1;
  std::thread thread_;
};

std::string Request(const std::string& words) { return std::string(kRequestMagic) + " 1 " + words + "\n"; }

}  // namespace

TEST_F(ServedSocket, AnswersAndRefusesTruncatedStalledAndOversizedRequests) {
  Serve();
  struct stat status {};
  ASSERT_EQ(stat(path_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0666u) << "every user may ask";
  Listener proxy;
  std::string error;
  EXPECT_TRUE(Ask(Command(RedirectRequest::Command::kAdd, proxy.port()), error)) << error;
  EXPECT_EQ(Table(getuid()).port, proxy.port());
  EXPECT_EQ(Send("BRISGOL-REDIRECT 1 CLE", true), "ERR request not ended by a line feed\n");
  const auto start = Clock::now();
  EXPECT_EQ(Send("BRISGOL-REDIRECT 1 CLE"), "ERR request not ended by a line feed\n");  // a client that stalls
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(Send(std::string(100000, 'x')), "ERR request too long\n");
  EXPECT_EQ(Table(getuid()).port, proxy.port());
  EXPECT_TRUE(Ask(Command(RedirectRequest::Command::kClear), error)) << error;
  EXPECT_EQ(Table(getuid()).port, 0);
}

TEST_F(ServedSocket, AStalledClientDelaysNobody) {
  Serve();
  std::vector<int> stalled;
  for (std::size_t i = 0; i < ServiceServer::kMaxWaitingPerUser; ++i) stalled.push_back(Connect());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // One more from the same user is turned away at once...
  const auto start = Clock::now();
  EXPECT_EQ(Send(Request("PING")), "ERR too many requests at once; try again\n");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(150));
  for (int fd : stalled) close(fd);
  // ... and once they are gone, requests are served at once again.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int one = Connect();
  const auto again = Clock::now();
  EXPECT_EQ(Send(Request("PING")), "OK\n");
  EXPECT_LT(Clock::now() - again, std::chrono::milliseconds(150));
  close(one);
}

TEST_F(ServedSocket, ChecksOnlyWhileRulesAreInForce) {
  Serve();
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * ServiceServer::kCheckMs));
  EXPECT_EQ(view_.looks, 0) << "nothing to follow: no polling";
  Listener proxy;
  std::string error;
  ASSERT_TRUE(Ask(Command(RedirectRequest::Command::kAdd, proxy.port()), error)) << error;
  proxy.Close();
  const auto start = Clock::now();
  while (Table(getuid()).port != 0 && Clock::now() - start < std::chrono::seconds(3))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Table(getuid()).port, 0);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  const int looks = view_.looks;
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * ServiceServer::kCheckMs));
  EXPECT_EQ(view_.looks, looks) << "the rules are gone: no more polling";
}

TEST_F(ServedSocket, TheSocketArrivesWithItsAnswer) {
  Serve();
  Listener proxy;
  RedirectRequest listener;
  listener.command = RedirectRequest::Command::kUdpListener;
  listener.local = {AF_INET, "127.0.0.1", proxy.port()};
  std::string error;
  int socket = -1;
  ASSERT_TRUE(Ask(listener, error, &socket)) << error;
  ASSERT_GE(socket, 0);
  int type = 0;
  socklen_t length = sizeof type;
  EXPECT_EQ(getsockopt(socket, SOL_SOCKET, SO_TYPE, &type, &length), 0);
  EXPECT_EQ(type, SOCK_DGRAM);
  close(socket);
  listener.local.port = 1;  // nothing of ours listens there
  EXPECT_FALSE(Ask(listener, error, &socket));
  EXPECT_EQ(error, "nothing listens on 127.0.0.1:1");
  EXPECT_EQ(socket, -1);
}

TEST_F(ServedSocket, ServesASocketHandedOverBySystemd) {
  const int udp = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int quiet = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::string error;
  ServiceServer refusing(service_, [](const std::string&) {});
  EXPECT_FALSE(refusing.Adopt(udp, error));
  EXPECT_FALSE(refusing.Adopt(quiet, error));
  EXPECT_NE(error.find("is not a listening Unix stream socket"), std::string::npos) << error;
  close(udp);
  close(quiet);

  const int activated = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(activated, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(activated, 8), 0);
  Serve(activated);
  EXPECT_TRUE(Ask(Command(RedirectRequest::Command::kPing), error)) << error;
  StopServing();
  EXPECT_TRUE(std::filesystem::exists(path_)) << "the socket file stays systemd's";
}

TEST_F(ServedSocket, EachPeerIsAnsweredAsItself) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a child as another user";
  Serve();
  // Another user's proxy and game launcher: it listens, asks for a rule and
  // joins its own cgroup.
  UserChild other;
  ASSERT_TRUE(other.Start(kOther, kOther, [](const auto& report, const auto& hold) {
    Listener proxy;
    std::string error;
    const bool added = Ask(Command(RedirectRequest::Command::kAdd, proxy.port()), error);
    const bool joined = Ask(Command(RedirectRequest::Command::kJoin, 0, getpid()), error);
    const bool borrowed = Ask(Command(RedirectRequest::Command::kJoin, 0, getppid()), error);
    report(std::to_string(proxy.port()) + " " + (added ? "added" : error) + " " + (joined ? "joined" : error) +
           " " + (borrowed ? "borrowed" : error));
    hold();
    return 0;
  }));
  const std::string report = other.Report();
  const int port = std::atoi(report.c_str());
  ASSERT_GT(port, 0) << report;
  EXPECT_EQ(report, std::to_string(port) + " added joined process " + std::to_string(getpid()) +
                        " is not the caller (" + std::to_string(other.pid()) + ")");
  EXPECT_EQ(Table(kOther).port, port);
  EXPECT_EQ(cgroups_.Members(kOther), (std::set<long>{other.pid()}));

  // Neither root nor a third user can clear, change or borrow it.
  std::string error;
  EXPECT_TRUE(Ask(Command(RedirectRequest::Command::kClear), error));
  EXPECT_EQ(RunAsUser(kThird, kThird, [port] {
              std::string why;
              if (!Ask(Command(RedirectRequest::Command::kClear), why)) return 1;
              if (Ask(Command(RedirectRequest::Command::kAdd, port), why)) return 2;
              RedirectRequest listener;
              listener.command = RedirectRequest::Command::kUdpListener;
              listener.local = {AF_INET, "127.0.0.1", port};
              int socket = -1;
              if (Ask(listener, why, &socket)) return 3;
              return why == "127.0.0.1:" + std::to_string(port) + " is another user's" ? 0 : 4;
            }),
            0);
  EXPECT_FALSE(Ask(Command(RedirectRequest::Command::kAdd, port), error));
  EXPECT_EQ(Table(kOther).port, port);
  EXPECT_EQ(Table(kThird).port, 0);
  EXPECT_EQ(Table(0).port, 0);
  EXPECT_EQ(other.Finish(), 0);
}
