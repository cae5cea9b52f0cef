// The datagrams a UDP socket has queued, read with one system call (at
// most kCapacity of them, without waiting): a game's datagram and its
// answer cost one read each instead of a read and a second one that finds
// the queue empty. One batch serves every socket of the proxy's one
// thread; what a batch holds is valid until its next Receive.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <memory>

class DatagramBatch {
 public:
  static constexpr int kCapacity = 16;
  static constexpr std::size_t kMaxDatagram = 65536;

  DatagramBatch();
  DatagramBatch(const DatagramBatch&) = delete;
  DatagramBatch& operator=(const DatagramBatch&) = delete;

  // Reads what fd has queued; the number of datagrams read (0 when none
  // or the socket failed).
  int Receive(int fd);

  const std::uint8_t* data(int i) const { return buffers_.get() + static_cast<std::size_t>(i) * kMaxDatagram; }
  std::size_t size(int i) const { return messages_[i].msg_len; }
  // Who sent datagram i, and the ancillary data it came with.
  const sockaddr_storage& sender(int i) const { return senders_[i]; }
  msghdr& header(int i) { return messages_[i].msg_hdr; }

 private:
  // Room for one original destination (IPv4 or IPv6).
  static constexpr std::size_t kControlSize = CMSG_SPACE(sizeof(sockaddr_in6));

  // Left uninitialised: the kernel writes only what it delivers, so the
  // pages of unused room are never touched.
  std::unique_ptr<std::uint8_t[]> buffers_;
  mmsghdr messages_[kCapacity];
  iovec parts_[kCapacity];
  sockaddr_storage senders_[kCapacity];
  alignas(cmsghdr) char controls_[kCapacity][kControlSize];
};
