#include "system/ProcessUtils.h"

#include "platform/Debug.h"
#include "platform/Processes.h"
#include "platform/Threads.h"
#include "tests/support/TempMachineRoot.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Starts a copy of sleep installed under the given file name.
HANDLE StartNamed(const std::filesystem::path& exe, DWORD& pid) {
  if (!std::filesystem::exists(exe)) std::filesystem::copy_file("/bin/sleep", exe);
  std::wstring commandLine = L"30";
  STARTUPINFOW startup;
  PROCESS_INFORMATION info;
  EXPECT_TRUE(CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info));
  CloseHandle(info.hThread);
  pid = info.dwProcessId;
  return info.hProcess;
}

bool Contains(const std::vector<DWORD>& ids, DWORD id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

TEST(ProcessUtils, KillMatchesExactlyWhileFindCanIgnoreCase) {
  TempMachineRoot root;
  // Names unique to this test run, so that parallel tests are never touched.
  std::wstring name = L"bgtest" + std::to_wstring(getpid()) + L".exe";
  std::wstring upper = L"BGTEST" + std::to_wstring(getpid()) + L".EXE";
  DWORD lowerPid = 0, upperPid = 0;
  HANDLE lower = StartNamed(root.path() / name, lowerPid);
  HANDLE other = StartNamed(root.path() / upper, upperPid);

  std::vector<DWORD> ids;
  FindProcessIdsByName(name, ids, false);
  EXPECT_TRUE(Contains(ids, lowerPid));
  EXPECT_TRUE(Contains(ids, upperPid));
  FindProcessIdsByName(name, ids, true);
  EXPECT_EQ(ids, std::vector<DWORD>{lowerPid});

  EXPECT_EQ(KillProcessesByName(name, true), 1);
  EXPECT_EQ(WaitForSingleObject(lower, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(other, 100), WAIT_TIMEOUT);
  FindProcessIdsByName(name, ids, false);
  EXPECT_EQ(ids, std::vector<DWORD>{upperPid});  // the ended one is gone, not a zombie

  EXPECT_EQ(KillProcessesByName(upper, true), 1);
  EXPECT_EQ(WaitForSingleObject(other, 5000), WAIT_OBJECT_0);
  CloseHandle(lower);
  CloseHandle(other);
}

int BoundSocket(int type, sockaddr_in& address) {
  int fd = socket(AF_INET, type, 0);
  address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  if (type == SOCK_STREAM) listen(fd, 4);
  return fd;
}

TEST(ProcessUtils, PortOwnerIsTheProcessHoldingTheLocalPort) {
  sockaddr_in tcp, udp;
  int tcpFd = BoundSocket(SOCK_STREAM, tcp);
  int udpFd = BoundSocket(SOCK_DGRAM, udp);
  EXPECT_EQ(QueryPortOwner(ntohs(tcp.sin_port)), static_cast<int>(getpid()));
  EXPECT_EQ(QueryPortOwner(ntohs(udp.sin_port)), static_cast<int>(getpid()));
  int freePort = ntohs(tcp.sin_port);
  close(tcpFd);
  close(udpFd);
  EXPECT_EQ(QueryPortOwner(freePort), -1);
}

class FakeListingTool : public ::testing::Test {
 protected:
  void Install(const std::string& script) {
    auto dir = root.Dir("bin");
    WriteTestFile(dir / "ss", "#!/bin/sh\n" + script);
    std::filesystem::permissions(dir / "ss", std::filesystem::perms::owner_all);
    oldPath_ = std::getenv("PATH");
    setenv("PATH", (dir.string() + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override {
    if (!oldPath_.empty()) setenv("PATH", oldPath_.c_str(), 1);
  }
  TempMachineRoot root;
  std::string oldPath_;
};

TEST_F(FakeListingTool, AHungQueryIsEndedAfterTheTimeOut) {
  auto pidFile = root.path() / "pid";
  Install("echo $$ > " + pidFile.string() + "\nexec sleep 20\n");
  std::wstring debug;
  SetDebugListener([&debug](const std::wstring& text) { debug += text; });
  DWORD start = GetTickCount();
  EXPECT_EQ(QueryPortOwner(48080), -1);
  DWORD took = GetTickCount() - start;
  SetDebugListener(nullptr);
  EXPECT_GE(took, 1900u);
  EXPECT_LT(took, 6000u);
  EXPECT_NE(debug.find(L"查询端口cmd执行超时失败"), std::wstring::npos);
  pid_t helper = std::atoi(ReadTestFile(pidFile).c_str());
  ASSERT_GT(helper, 0);
  Sleep(100);
  EXPECT_NE(kill(helper, 0), 0) << "the hung helper still runs";
}

TEST_F(FakeListingTool, OnlyTheLocalColumnCountsAndLongListingsAreDrained) {
  // Two megabytes of other sockets first: the query must keep reading.
  Install(
      "i=0; while [ $i -lt 20000 ]; do echo 'tcp ESTAB 0 0 10.0.0.1:1234 10.0.0.2:48080 "
      "users:((\"x\",pid=1,fd=3)) padding padding padding padding padding'; i=$((i+1)); done\n"
      "echo 'tcp LISTEN 0 128 [::1]:48080 [::]:* users:((\"local.exe\",pid=4242,fd=5))'\n");
  EXPECT_EQ(QueryPortOwner(48080), 4242);
  EXPECT_EQ(QueryPortOwner(1234), 1);
  EXPECT_EQ(QueryPortOwner(80), -1);
}

TEST_F(FakeListingTool, OnlyClosedConnectionsAnswerZero) {
  Install("echo 'tcp TIME-WAIT 0 0 127.0.0.1:47070 127.0.0.1:5000'\n"
          "echo 'tcp FIN-WAIT-2 0 0 127.0.0.1:47070 127.0.0.1:5001'\n"
          "echo 'tcp LAST-ACK 0 0 127.0.0.1:47070 127.0.0.1:5002'\n");
  EXPECT_EQ(QueryPortOwner(47070), 0);
}

TEST_F(FakeListingTool, BoundOrListeningSocketsWithoutAVisibleProcessAreOwned) {
  // Another user's sockets: the listing shows no process for them.
  Install("echo 'tcp TIME-WAIT 0 0 127.0.0.1:48080 127.0.0.1:5000'\n"
          "echo 'tcp LISTEN 0 128 127.0.0.1:48080 0.0.0.0:*'\n"
          "echo 'udp UNCONN 0 0 0.0.0.0:58080 0.0.0.0:*'\n"
          "echo 'tcp CLOSE-WAIT 0 0 127.0.0.1:57070 127.0.0.1:5000'\n");
  EXPECT_EQ(QueryPortOwner(48080), kUnseenOwnerPid);
  EXPECT_EQ(QueryPortOwner(58080), kUnseenOwnerPid);
  EXPECT_EQ(QueryPortOwner(57070), kUnseenOwnerPid);  // still open on our side
}

// The real listing run by a user who cannot see the owner: a socket of root
// queried from a child running as "nobody".
TEST(ProcessUtils, AListeningSocketOfAnotherUserIsOwned) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hold a socket another user cannot see";
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    const int owner = QueryPortOwner(port);
    _exit(owner == kUnseenOwnerPid ? 0 : owner < 0 ? 101 : owner == 0 ? 102 : 103);
  }
  int status = 0;
  waitpid(child, &status, 0);
  close(fd);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "100: cannot become nobody, 101: free, 102: TIME-WAIT, 103: a visible owner";
}

}  // namespace
