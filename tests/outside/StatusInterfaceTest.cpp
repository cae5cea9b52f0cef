// The local proxy's status interface: the report's line (written and read
// back, counters beyond 32 bits, what is refused), byte counts as shown,
// the user's folder for the socket, and the publisher on a real event loop
// against real clients: the first report at once, changes at most once a
// second and only when something changed, clients that leave or stop
// reading, another user refused.
#include "outside/local/StatusBytes.h"
#include "outside/local/StatusConnection.h"
#include "outside/local/StatusPublisher.h"
#include "outside/local/StatusSocketPath.h"
#include "tests/outside/support/LoopThread.h"
#include "tests/support/TempMachineRoot.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

ProxyStatus Sample() {
  ProxyStatus status;
  status.pid = 4242;
  status.server = "127.0.0.1";
  status.serverPort = 38549;
  status.mainPort = 48080;
  status.tcpConnections = 3;
  status.udpAssociations = 2;
  status.bytesUp = 1258291;
  status.bytesDown = 8808038;
  status.lineCheckAtMs = 123456789;
  status.lineCheckPassed = true;
  status.lineCheckMicros = 412;
  return status;
}

bool Same(const ProxyStatus& a, const ProxyStatus& b) { return FormatStatusLine(a) == FormatStatusLine(b); }

TEST(StatusLine, AReportReadsBackAsWrittenCountersBeyond32BitsIncluded) {
  ProxyStatus status = Sample();
  const std::string line = FormatStatusLine(status);
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";
  ProxyStatus read;
  ASSERT_TRUE(ParseStatusLine(line, read));
  EXPECT_TRUE(Same(read, status));
  EXPECT_EQ(read.server, "127.0.0.1");
  EXPECT_EQ(read.bytesDown, 8808038u);

  status.bytesDown = 18446744073709551615ull;
  status.bytesUp = 1ull << 40;
  status.tcpConnections = 4294967297ull;
  ASSERT_TRUE(ParseStatusLine(FormatStatusLine(status), read));
  EXPECT_EQ(read.bytesDown, 18446744073709551615ull);
  EXPECT_EQ(read.bytesUp, 1ull << 40);
  EXPECT_EQ(read.tcpConnections, 4294967297ull);
  // Without its line break, and with members it does not know.
  std::string extra = FormatStatusLine(Sample());
  extra.pop_back();
  extra.insert(extra.size() - 1, ",\"later\":[1,2]");
  EXPECT_TRUE(ParseStatusLine(extra, read));
}

TEST(StatusLine, WhatIsNotAReportIsRefusedAndLeavesTheStatusAlone) {
  const std::string good = FormatStatusLine(Sample());
  auto with = [&](const std::string& member, const std::string& value) {
    std::string line = good;
    const size_t at = line.find("\"" + member + "\":");
    const size_t start = at + member.size() + 3;
    const size_t end = line.find_first_of(",}", start);
    return line.replace(start, end - start, value);
  };
  ProxyStatus read = Sample();
  read.pid = 1;
  for (const std::string& bad :
       {std::string(), std::string("\n"), std::string("[]\n"), std::string("{}\n"), std::string("HTTP/1.1 200 OK\n"),
        good.substr(0, good.size() - 3), good + good, with("pid", "0"), with("pid", "-5"), with("pid", "\"4242\""),
        with("server_port", "65536"), with("main_port", "-1"), with("bytes_up", "-1"), with("bytes_up", "1.5"),
        with("bytes_down", "18446744073709551616"), with("tcp_connections", "null"), with("server", "7"),
        with("server", "\"\""), with("server", "\"127.0.0.1\\u0000\""),
        with("server", "\"" + std::string(kMaxServerTextBytes + 1, '7') + "\""), with("line_check_passed", "1"), with("line_check_us", "4294967296"),
        "{\"pid\":1," + good.substr(1), std::string(kMaxStatusLineBytes + 1, ' '),
        std::string(2000, '[') + good, good.substr(0, good.size() - 2) + ",\"x\":" + std::string(40, '[') + "}"}) {
    EXPECT_FALSE(ParseStatusLine(bad, read)) << bad;
  }
  EXPECT_EQ(read.pid, 1) << "untouched";
}

TEST(StatusBytes, ByteCountsInUnitsOf1024WithOneDecimal) {
  EXPECT_EQ(StatusByteText(0), "0 B");
  EXPECT_EQ(StatusByteText(1023), "1023 B");
  EXPECT_EQ(StatusByteText(1024), "1.0 KB");
  EXPECT_EQ(StatusByteText(12595), "12.3 KB");
  EXPECT_EQ(StatusByteText(1048524), "1023.9 KB");
  EXPECT_EQ(StatusByteText(1048525), "1.0 MB") << "1023.95 KB rounds up into the next unit";
  EXPECT_EQ(StatusByteText(8808038), "8.4 MB");
  EXPECT_EQ(StatusByteText(5ull << 30), "5.0 GB");
  EXPECT_EQ(StatusByteText((5ull << 40) / 2), "2.5 TB");
  EXPECT_EQ(StatusByteText(18446744073709551615ull), "16.0 EB");
}

TEST(StatusSocketPath, TheRuntimeDirectoryOrAFolderOfTheUsersOwnInTmp) {
  EXPECT_EQ(StatusDirectory(1000, "/run/user/1000"), "/run/user/1000/brisgol");
  EXPECT_EQ(StatusDirectory(1000, nullptr), "/tmp/brisgol-1000");
  EXPECT_EQ(StatusDirectory(1000, ""), "/tmp/brisgol-1000");
  EXPECT_EQ(StatusDirectory(1000, "relative/dir"), "/tmp/brisgol-1000") << "only an absolute runtime directory";
  EXPECT_EQ(StatusSocketPath("/run/user/1000/brisgol"), "/run/user/1000/brisgol/local.sock");
}

TEST(StatusSocketPath, OnlyARealFolderOfTheUserClosedToOthersIsUsed) {
  TempMachineRoot root;
  const std::string folder = (root.path() / "brisgol").string();
  std::string error;
  ASSERT_TRUE(PrepareStatusDirectory(folder, getuid(), error)) << error;
  struct stat info{};
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_TRUE(PrepareStatusDirectory(folder, getuid(), error)) << "a second time finds it" << error;

  chmod(folder.c_str(), 0755);
  EXPECT_FALSE(CheckStatusDirectory(folder, getuid(), error));
  EXPECT_NE(error.find("open to other users"), std::string::npos) << error;
  chmod(folder.c_str(), 0700);
  EXPECT_FALSE(CheckStatusDirectory(folder, getuid() + 1, error));
  EXPECT_NE(error.find("belongs to user"), std::string::npos) << error;

  // A link planted where the folder should be is not followed.
  const std::string planted = (root.path() / "planted").string();
  fs::create_directory_symlink(folder, planted);
  EXPECT_FALSE(PrepareStatusDirectory(planted, getuid(), error));
  EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
  WriteTestFile(root.path() / "file", "x");
  EXPECT_FALSE(PrepareStatusDirectory((root.path() / "file").string(), getuid(), error));
  EXPECT_FALSE(PrepareStatusDirectory((root.path() / "missing/brisgol").string(), getuid(), error));
}

// A connection that waits for the publisher to take it.
int BlockingConnect(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  close(fd);
  return -1;
}

// A client of the status socket that reads its reports.
class Reader {
 public:
  explicit Reader(const std::string& path) {
    std::string error;
    fd_ = ConnectStatusSocket(path, getuid(), error);
    EXPECT_GE(fd_, 0) << error;
  }
  ~Reader() {
    if (fd_ >= 0) close(fd_);
  }
  // The next report within timeout, or false.
  bool Next(ProxyStatus& status, std::chrono::milliseconds timeout) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!buffer_.NextLine(line)) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      pollfd wait{fd_, POLLIN, 0};
      if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) return false;
      char bytes[1024];
      const ssize_t n = recv(fd_, bytes, sizeof bytes, 0);
      if (n <= 0) return false;
      buffer_.Append(bytes, static_cast<size_t>(n));
    }
    return ParseStatusLine(line, status);
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  StatusLineBuffer buffer_;
};

class StatusPublisherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = (root.path() / "local.sock").string();
    loop.Run([this] {
      publisher = std::make_unique<StatusPublisher>(loop.loop(), counters, StatusIdentity{"127.0.0.1", 38549, 48080});
      opened = publisher->Open(path, error);
    });
    ASSERT_TRUE(opened) << error;
  }
  void TearDown() override {
    loop.Run([this] { publisher.reset(); });
  }
  // Changes the counters as the relay does, on the loop's thread.
  void Carry(std::uint64_t tcp, std::uint64_t down) {
    loop.Run([&] {
      counters.tcpConnections = tcp;
      counters.bytesDown = down;
      counters.Changed();
    });
  }
  size_t Clients() {
    size_t count = 0;
    loop.Run([&] { count = publisher->ClientCount(); });
    return count;
  }

  TempMachineRoot root;
  std::string path;
  LoopThread loop;
  ProxyCounters counters;
  std::unique_ptr<StatusPublisher> publisher;
  bool opened = false;
  std::string error;
};

TEST_F(StatusPublisherTest, TheFirstReportAtOnceThenOnlyChangesAtMostOnceASecond) {
  Carry(3, 100);
  Reader reader(path);
  ProxyStatus status;
  const auto connected = std::chrono::steady_clock::now();
  ASSERT_TRUE(reader.Next(status, 500ms)) << "the first report comes with the connection";
  EXPECT_LT(std::chrono::steady_clock::now() - connected, 500ms);
  EXPECT_EQ(status.pid, getpid());
  EXPECT_EQ(status.server, "127.0.0.1");
  EXPECT_EQ(status.serverPort, 38549);
  EXPECT_EQ(status.mainPort, 48080);
  EXPECT_EQ(status.tcpConnections, 3u);
  EXPECT_EQ(status.bytesDown, 100u);

  // Nothing changes: nothing is sent.
  EXPECT_FALSE(reader.Next(status, 2500ms)) << "a report although nothing changed";
  // Five changes in a row: one report, with the last of them.
  for (std::uint64_t i = 1; i <= 5; ++i) Carry(3 + i, 100 * i);
  ASSERT_TRUE(reader.Next(status, 2500ms));
  EXPECT_EQ(status.tcpConnections, 8u);
  EXPECT_EQ(status.bytesDown, 500u);
  EXPECT_FALSE(reader.Next(status, 1500ms));
  // Beyond 32 bits on the wire too.
  Carry(1, 6ull << 30);
  ASSERT_TRUE(reader.Next(status, 2500ms));
  EXPECT_EQ(status.bytesDown, 6ull << 30);
}

TEST_F(StatusPublisherTest, ClientsThatLeaveOrStopReadingAreDropped) {
  {
    Reader a(path), b(path);
    ProxyStatus status;
    ASSERT_TRUE(a.Next(status, 500ms));
    ASSERT_TRUE(b.Next(status, 500ms));
    EXPECT_EQ(Clients(), 2u);
  }
  for (int i = 0; i < 100 && Clients() != 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(Clients(), 0u);

  // A client that never reads gets the newest state once it reads again.
  Reader idle(path);
  const int small = 4096;
  setsockopt(idle.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  for (std::uint64_t i = 1; i <= 4; ++i) {
    Carry(i, i);
    std::this_thread::sleep_for(1100ms);
  }
  ProxyStatus status, last;
  int reports = 0;
  while (idle.Next(status, 200ms)) {
    last = status;
    ++reports;
  }
  EXPECT_GE(reports, 1);
  EXPECT_LE(reports, 5);
  EXPECT_EQ(last.tcpConnections, 4u) << "the newest state";

  // More clients than the publisher takes: the rest are closed.
  std::vector<int> many;
  for (size_t i = 0; i < StatusPublisher::kMaxClients + 3; ++i) many.push_back(BlockingConnect(path));
  for (int i = 0; i < 100 && Clients() < StatusPublisher::kMaxClients; ++i) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(Clients(), StatusPublisher::kMaxClients);
  for (int fd : many)
    if (fd >= 0) close(fd);
}

TEST_F(StatusPublisherTest, AnotherUserIsToldNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to be another user";
  // The socket is reachable for the other user here, so that the
  // publisher's own check is what refuses.
  chmod(root.path().c_str(), 0755);
  chmod(path.c_str(), 0777);
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
    const int fd = BlockingConnect(path);
    if (fd < 0) _exit(11);
    pollfd wait{fd, POLLIN, 0};
    if (poll(&wait, 1, 2000) <= 0) _exit(12);  // neither closed nor told
    char byte;
    _exit(recv(fd, &byte, 1, 0) == 0 ? 0 : 13);  // closed without a word
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: cannot become nobody, 11: no connection, 12: left open, 13: told something";
  EXPECT_EQ(Clients(), 0u);
  // And a reader refuses a socket that another user serves.
  std::string error;
  EXPECT_LT(ConnectStatusSocket(path, 65534, error), 0);
  EXPECT_NE(error.find("served by user 0"), std::string::npos) << error;
}

TEST_F(StatusPublisherTest, TheSocketOfAnEarlierProxyIsReplacedAndOnlyOurOwnRemoved) {
  // A second publisher takes the place of the first (as a new proxy does
  // of one that was killed); the first, ending late, leaves it alone.
  ProxyCounters other;
  std::unique_ptr<StatusPublisher> second;
  loop.Run([&] {
    second = std::make_unique<StatusPublisher>(loop.loop(), other, StatusIdentity{"127.0.0.1", 6199, 46060});
    opened = second->Open(path, error);
  });
  ASSERT_TRUE(opened) << error;
  loop.Run([this] { publisher.reset(); });
  ASSERT_TRUE(fs::exists(path));
  {
    Reader reader(path);
    ProxyStatus status;
    ASSERT_TRUE(reader.Next(status, 500ms));
    EXPECT_EQ(status.serverPort, 6199);
  }
  loop.Run([&] { second.reset(); });
  EXPECT_FALSE(fs::exists(path)) << "its own socket goes with it";

  // Never another kind of file.
  WriteTestFile(path, "mine");
  loop.Run([&] {
    second = std::make_unique<StatusPublisher>(loop.loop(), other, StatusIdentity{});
    opened = second->Open(path, error);
    second.reset();
  });
  EXPECT_FALSE(opened);
  EXPECT_NE(error.find("is not a socket"), std::string::npos) << error;
  EXPECT_EQ(ReadTestFile(path), "mine");
}

TEST(StatusConnection, ReadingOnceGivesTheFirstReportOrSaysWhy) {
  TempMachineRoot root;
  const std::string path = (root.path() / "local.sock").string();
  ProxyStatus status;
  std::string error;
  EXPECT_FALSE(ReadStatusOnce(path, getuid(), 1s, status, error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  LoopThread loop;
  ProxyCounters counters;
  counters.udpAssociations = 7;
  std::unique_ptr<StatusPublisher> publisher;
  loop.Run([&] {
    publisher = std::make_unique<StatusPublisher>(loop.loop(), counters, StatusIdentity{"127.0.0.1", 1, 2});
    publisher->Open(path, error);
  });
  ASSERT_TRUE(ReadStatusOnce(path, getuid(), 1s, status, error)) << error;
  EXPECT_EQ(status.udpAssociations, 7u);
  loop.Run([&] { publisher.reset(); });
}

}  // namespace
