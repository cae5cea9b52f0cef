#include "outside/redirect/DescriptorPassing.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

// Room for a few descriptors, so that a peer that sends more than one
// cannot leave the extra ones open in us: they are received and closed.
constexpr std::size_t kMaxDescriptors = 4;

void TakeDescriptors(msghdr& message, int& descriptor) {
  for (cmsghdr* control = CMSG_FIRSTHDR(&message); control != nullptr; control = CMSG_NXTHDR(&message, control)) {
    if (control->cmsg_level != SOL_SOCKET || control->cmsg_type != SCM_RIGHTS) continue;
    const std::size_t count = (control->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t i = 0; i < count; ++i) {
      int received = -1;
      std::memcpy(&received, CMSG_DATA(control) + i * sizeof(int), sizeof(int));
      if (descriptor < 0) {
        descriptor = received;
      } else {
        close(received);
      }
    }
  }
}

}  // namespace

bool SendWithDescriptor(int socket, const std::string& bytes, int descriptor) {
  iovec data{const_cast<char*>(bytes.data()), bytes.size()};
  msghdr message{};
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  if (descriptor >= 0) {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &descriptor, sizeof(int));
  }
  ssize_t sent;
  do {
    sent = sendmsg(socket, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent == static_cast<ssize_t>(bytes.size())) return true;
  if (sent >= 0) errno = EMSGSIZE;
  return false;
}

bool ReceiveLineWithDescriptor(int socket, std::size_t maxBytes, int timeoutMs, std::string& bytes, int& descriptor) {
  bytes.clear();
  descriptor = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  while (bytes.size() < maxBytes && (bytes.empty() || bytes.back() != '\n')) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd ready{socket, POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) != 1) break;
    iovec data{buffer, std::min(sizeof buffer, maxBytes - bytes.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(kMaxDescriptors * sizeof(int))];
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    TakeDescriptors(message, descriptor);
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return !bytes.empty();
}
