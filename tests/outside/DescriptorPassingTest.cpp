// Sockets handed over a Unix socket with their answer line: one arrives
// with its line, extra ones never stay open in the receiver, and a line
// without one reads as such.
#include "outside/redirect/DescriptorPassing.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DescriptorPassing : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair_), 0); }
  void TearDown() override {
    close(pair_[0]);
    close(pair_[1]);
  }
  int pair_[2] = {-1, -1};
};

ino_t InodeOf(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 ? status.st_ino : 0;
}

int OpenDescriptors() {
  int count = 0;
  for (int fd = 0; fd < 1024; ++fd)
    if (fcntl(fd, F_GETFD) != -1) ++count;
  return count;
}

}  // namespace

TEST_F(DescriptorPassing, TheSocketArrivesWithItsLine) {
  const int datagram = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(datagram, 0);
  ASSERT_TRUE(SendWithDescriptor(pair_[0], "OK\n", datagram));
  std::string line;
  int received = -1;
  ASSERT_TRUE(ReceiveLineWithDescriptor(pair_[1], 64, 1000, line, received));
  EXPECT_EQ(line, "OK\n");
  ASSERT_GE(received, 0);
  EXPECT_EQ(InodeOf(received), InodeOf(datagram));
  EXPECT_NE(received, datagram);
  EXPECT_EQ(fcntl(received, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  close(received);
  close(datagram);
}

TEST_F(DescriptorPassing, ALineWithoutASocketAndASilentPeer) {
  ASSERT_TRUE(SendWithDescriptor(pair_[0], "ERR no\n", -1));
  std::string line;
  int received = 7;
  ASSERT_TRUE(ReceiveLineWithDescriptor(pair_[1], 64, 1000, line, received));
  EXPECT_EQ(line, "ERR no\n");
  EXPECT_EQ(received, -1);
  EXPECT_FALSE(ReceiveLineWithDescriptor(pair_[1], 64, 50, line, received));
  EXPECT_EQ(line, "");
}

TEST_F(DescriptorPassing, ExtraSocketsAreClosedAndLongLinesStopAtTheLimit) {
  const int before = OpenDescriptors();
  int three[3];
  for (int& fd : three) fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  // Three descriptors in one message, as a misbehaving peer might send.
  const std::string bytes(100, 'x');
  iovec data{const_cast<char*>(bytes.data()), bytes.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof three)] = {};
  msghdr message{};
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = SOL_SOCKET;
  header->cmsg_type = SCM_RIGHTS;
  header->cmsg_len = CMSG_LEN(sizeof three);
  std::memcpy(CMSG_DATA(header), three, sizeof three);
  ASSERT_EQ(sendmsg(pair_[0], &message, 0), 100);
  for (int fd : three) close(fd);

  std::string line;
  int received = -1;
  ASSERT_TRUE(ReceiveLineWithDescriptor(pair_[1], 40, 200, line, received));
  EXPECT_EQ(line.size(), 40u);
  ASSERT_GE(received, 0);
  close(received);
  EXPECT_EQ(OpenDescriptors(), before);
}
