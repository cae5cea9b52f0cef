// The real local.exe against a real SOCKS5 line server (dante) on loopback.

#include "outside/launchrecord/Base64.h"
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "tests/outside/support/LineServer.h"
#include "tests/outside/support/LocalProxyProcess.h"
#include "tests/outside/support/ScriptedLineServer.h"
#include "tests/outside/support/SocksTestClient.h"
#include "tests/outside/support/TestServers.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

fs::path FreshDir() {
  const fs::path dir = fs::temp_directory_path() / ("local_proxy_test_" + std::to_string(getpid()) + "_" +
                                                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(dir);
  return dir;
}

std::size_t OpenDescriptors(pid_t pid) {
  std::error_code error;
  std::size_t count = 0;
  for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    ++count;
  }
  return count;
}

// What each of a process's descriptors is, one a line.
std::string DescribeDescriptors(pid_t pid) {
  std::error_code error;
  std::string text;
  for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    std::error_code linkError;
    text += it->path().filename().string() + " -> " + fs::read_symlink(it->path(), linkError).string() + "\n";
  }
  return text;
}

// Echoes one message through an established connection.
bool Echoes(int fd, const std::string& message) {
  std::string answer;
  return SendAll(fd, message) && ReceiveExactly(fd, message.size(), answer) && answer == message;
}

class LocalProxy : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root: the line server (dante) authenticates a system user";
    dir_ = FreshDir();
    line_ = std::make_unique<LineServer>(dir_);
    std::string why;
    ASSERT_TRUE(line_->Start(FreeLoopbackPort(), why)) << why;
    mainPort_ = FreeLoopbackPort();
    // The status interface in a folder of the test's own.
    fs::create_directory(dir_ / "run");
    fs::permissions(dir_ / "run", fs::perms::owner_all);
    proxy_.UseRuntimeDirectory((dir_ / "run").string());
    ASSERT_TRUE(proxy_.Start(TestLaunchRecord(line_->port(), mainPort_), Output())) << ReadText(Output());
  }

  void TearDown() override {
    proxy_.process().Stop(SIGKILL, std::chrono::seconds(5));
    line_.reset();
    std::error_code error;
    if (!dir_.empty()) fs::remove_all(dir_, error);
  }

  std::string Output() const { return (dir_ / "local.out").string(); }

  fs::path dir_;
  std::unique_ptr<LineServer> line_;
  int mainPort_ = 0;
  LocalProxyProcess proxy_;
  TcpTestServer echo_{TcpTestServer::Mode::kEcho};
};

}  // namespace

TEST(LocalProxyRecord, RefusesMalformedCommandLinesWithCodeTwo) {
  const fs::path dir = FreshDir();
  const std::string cases[] = {
      "not base64!",
      Base64Encode("abcdef"),
      EncodeLaunchRecord("127.0.0.1|38549|pw|48080|1||5190467"),
      EncodeLaunchRecord("127.0.0.1|70000|pw|48080|1||5190467|0"),
      "",
  };
  for (const std::string& argument : cases) {
    LocalProxyProcess proxy;
    ASSERT_TRUE(proxy.StartRaw(argument, (dir / "out").string()));
    const int status = proxy.process().Wait(std::chrono::seconds(5));
    ASSERT_NE(status, -1) << "local.exe kept running for " << argument;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << argument;
    EXPECT_NE(ReadText(dir / "out").find("refusing the launch record"), std::string::npos) << ReadText(dir / "out");
  }
  ChildProcess noArgument;
  ASSERT_TRUE(noArgument.Start({ProgramDir() + "/local.exe"}, (dir / "out").string()));
  const int status = noArgument.Wait(std::chrono::seconds(5));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
  fs::remove_all(dir);
}

TEST(LocalProxyRecord, EndsWithCodeOneWhenItsPortIsTaken) {
  const fs::path dir = FreshDir();
  const int occupant = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(occupant, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  getsockname(occupant, reinterpret_cast<sockaddr*>(&address), &length);
  listen(occupant, 4);

  ScriptedLineServer line;
  LocalProxyProcess proxy;
  ASSERT_TRUE(proxy.Start(TestLaunchRecord(line.port(), ntohs(address.sin_port)), (dir / "out").string(), false));
  const int status = proxy.process().Wait(std::chrono::seconds(5));
  ASSERT_NE(status, -1);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_NE(ReadText(dir / "out").find("cannot listen on 127.0.0.1:"), std::string::npos) << ReadText(dir / "out");
  close(occupant);
  fs::remove_all(dir);
}

TEST_F(LocalProxy, CarriesConnectionsThroughTheLineServer) {
  int reply = -1;
  const int fd = SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply);
  ASSERT_GE(fd, 0) << "reply " << reply << "\n" << ReadText(Output());
  EXPECT_TRUE(Echoes(fd, "hello through the line"));

  // Two megabytes each way at once: back-pressure must not lose or stall.
  std::string bulk(2 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < bulk.size(); ++i) bulk[i] = static_cast<char>(i * 7 + i / 251);
  std::thread sender([&] { SendAll(fd, bulk); });
  std::string answer;
  EXPECT_TRUE(ReceiveExactly(fd, bulk.size(), answer));
  sender.join();
  EXPECT_TRUE(answer == bulk);

  // Half-close: the end of our stream reaches the server, its answer and
  // end come back.
  shutdown(fd, SHUT_WR);
  char byte = 0;
  EXPECT_EQ(recv(fd, &byte, 1, 0), 0);
  close(fd);
}

TEST_F(LocalProxy, CarriesDatagramsOfAUdpAssociation) {
  UdpEchoServer udpEcho;
  sockaddr_in relay{};
  int reply = -1;
  const int control = SocksUdpAssociate(mainPort_, relay, reply);
  ASSERT_GE(control, 0) << "reply " << reply << "\n" << ReadText(Output());

  const int udp = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  timeval timeout{3, 0};
  setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  for (const std::string& payload : {std::string("ping"), std::string("a second datagram"), std::string(1200, 'g')}) {
    const std::string datagram = UdpDatagram("127.0.0.1", udpEcho.port(), payload);
    ASSERT_EQ(sendto(udp, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&relay), sizeof relay),
              static_cast<ssize_t>(datagram.size()));
    char buffer[2048];
    const ssize_t got = recv(udp, buffer, sizeof buffer, 0);
    ASSERT_GT(got, 0) << "no answer for " << payload << "\n" << ReadText(Output());
    // The answer names the echo server as its sender.
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got)), datagram);
  }
  // A fragment is dropped.
  std::string fragment = UdpDatagram("127.0.0.1", udpEcho.port(), "frag");
  fragment[2] = 1;
  sendto(udp, fragment.data(), fragment.size(), 0, reinterpret_cast<sockaddr*>(&relay), sizeof relay);
  timeval shortWait{0, 300000};
  setsockopt(udp, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof shortWait);
  char buffer[64];
  EXPECT_LT(recv(udp, buffer, sizeof buffer, 0), 0);
  close(udp);
  close(control);
}

TEST_F(LocalProxy, EndsWithCodeThreeForARefusedPasswordAndADownLineServer) {
  LaunchRecord wrongPassword = TestLaunchRecord(line_->port(), FreeLoopbackPort());
  wrongPassword.password = "not the password";
  LocalProxyProcess refused;
  ASSERT_TRUE(refused.Start(wrongPassword, (dir_ / "refused.out").string(), false));
  int status = refused.process().Wait(std::chrono::seconds(5));
  EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 3);

  LaunchRecord down = TestLaunchRecord(FreeLoopbackPort(), FreeLoopbackPort());
  LocalProxyProcess nowhere;
  ASSERT_TRUE(nowhere.Start(down, (dir_ / "down.out").string(), false));
  status = nowhere.process().Wait(std::chrono::seconds(5));
  EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 3);

  EXPECT_NE(ReadText(dir_ / "refused.out").find("refused the password"), std::string::npos);
  EXPECT_NE(ReadText(dir_ / "down.out").find("cannot connect"), std::string::npos);
}

TEST_F(LocalProxy, SurvivesTheLineServerEndingMidStream) {
  int reply = -1;
  const int fd = SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(Echoes(fd, "before"));
  line_->Stop();
  char byte = 0;
  EXPECT_LE(recv(fd, &byte, 1, 0), 0);
  close(fd);
  // The proxy still answers, and reports the line server gone.
  EXPECT_LT(SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply), 0);
  EXPECT_EQ(reply, 1);
  EXPECT_TRUE(proxy_.process().running());
}

TEST_F(LocalProxy, ClosesOnGarbageAndKeepsServing) {
  std::string answer;
  const int http = ConnectLoopback(mainPort_);
  ASSERT_TRUE(SendAll(http, "GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
  char byte = 0;
  EXPECT_EQ(recv(http, &byte, 1, 0), 0);
  close(http);

  const int onlyPassword = ConnectLoopback(mainPort_);
  ASSERT_TRUE(SendAll(onlyPassword, std::string("\x05\x01\x02", 3)));
  ASSERT_TRUE(ReceiveExactly(onlyPassword, 2, answer));
  EXPECT_EQ(answer, std::string("\x05\xFF", 2));
  close(onlyPassword);

  const int bind = ConnectLoopback(mainPort_);
  ASSERT_TRUE(SendAll(bind, std::string("\x05\x01\x00", 3)));
  ASSERT_TRUE(ReceiveExactly(bind, 2, answer));
  ASSERT_TRUE(SendAll(bind, std::string("\x05\x02\x00\x01\x7f\x00\x00\x01\x00\x50", 10)));
  ASSERT_TRUE(ReceiveExactly(bind, 4, answer));
  EXPECT_EQ(answer[1], 7);
  close(bind);

  // A good greeting followed by a flood of garbage instead of a request.
  const int flood = ConnectLoopback(mainPort_);
  SendAll(flood, std::string("\x05\x01\x00", 3) + std::string(64 * 1024, 'x'));
  ASSERT_TRUE(ReceiveExactly(flood, 2, answer));
  EXPECT_EQ(answer, std::string("\x05\x00", 2));
  EXPECT_LE(recv(flood, &byte, 1, 0), 0);
  close(flood);

  int reply = -1;
  const int fd = SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(Echoes(fd, "still here"));
  close(fd);
}

TEST_F(LocalProxy, HoldsHundredsOfConcurrentConnectionsAndLeaksNone) {
  const pid_t pid = proxy_.process().pid();
  // Its port accepts before the proxy has made all it keeps open.
  ASSERT_TRUE(proxy_.WaitUntilStarted(std::chrono::seconds(10))) << ReadText(Output());
  const std::size_t baseline = OpenDescriptors(pid);
  const std::string before = DescribeDescriptors(pid);
  constexpr int kConnections = 300;
  std::vector<int> fds;
  for (int i = 0; i < kConnections; ++i) {
    int reply = -1;
    const int fd = SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply);
    ASSERT_GE(fd, 0) << "connection " << i << " reply " << reply << "\n" << ReadText(Output());
    fds.push_back(fd);
  }
  // Two descriptors per connection (the client's and the line's); the
  // baseline may still count a connection the proxy was closing when it
  // was taken, so it is not added in.
  EXPECT_GE(OpenDescriptors(pid), 2 * kConnections);
  for (int i = 0; i < kConnections; ++i) EXPECT_TRUE(Echoes(fds[i], "message " + std::to_string(i)));
  for (int fd : fds) close(fd);
  // The proxy checks its line every two seconds on a connection of its
  // own: the count that reached the baseline is the one judged, not a
  // later look that may meet such a check.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::size_t open = OpenDescriptors(pid);
  while (open > baseline && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    open = OpenDescriptors(pid);
  }
  EXPECT_LE(open, baseline) << "no descriptor is left behind; at the start:\n"
                            << before << "now:\n"
                            << DescribeDescriptors(pid) << ReadText(Output());
}

TEST_F(LocalProxy, EndsCleanlyOnSigterm) {
  int reply = -1;
  const int fd = SocksConnect(mainPort_, "127.0.0.1", echo_.port(), reply);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(Echoes(fd, "x"));
  kill(proxy_.process().pid(), SIGTERM);
  const int status = proxy_.process().Wait(std::chrono::seconds(3));
  ASSERT_NE(status, -1);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  char byte = 0;
  EXPECT_LE(recv(fd, &byte, 1, 0), 0);
  close(fd);
  EXPECT_LT(ConnectLoopback(mainPort_), 0);
}
