#include "outside/local/DatagramBatch.h"

DatagramBatch::DatagramBatch() : buffers_(new std::uint8_t[kCapacity * kMaxDatagram]) {
  for (int i = 0; i < kCapacity; ++i) {
    parts_[i] = {buffers_.get() + static_cast<std::size_t>(i) * kMaxDatagram, kMaxDatagram};
    msghdr& header = messages_[i].msg_hdr;
    header = msghdr{};
    header.msg_name = &senders_[i];
    header.msg_iov = &parts_[i];
    header.msg_iovlen = 1;
    header.msg_control = controls_[i];
    messages_[i].msg_len = 0;
  }
}

int DatagramBatch::Receive(int fd) {
  // The kernel shortens the lengths of what it fills in.
  for (int i = 0; i < kCapacity; ++i) {
    messages_[i].msg_hdr.msg_namelen = sizeof senders_[i];
    messages_[i].msg_hdr.msg_controllen = kControlSize;
  }
  const int got = recvmmsg(fd, messages_, kCapacity, MSG_DONTWAIT, nullptr);
  return got < 0 ? 0 : got;
}
