#include "outside/redirect/RouteQuery.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

struct RouteRequest {
  nlmsghdr header;
  rtmsg route;
  char attributes[2 * RTA_SPACE(sizeof(in_addr_t))];
};

void AddAddress(RouteRequest& request, unsigned short type, in_addr_t address) {
  auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) + NLMSG_ALIGN(request.header.nlmsg_len));
  attribute->rta_type = type;
  attribute->rta_len = RTA_LENGTH(sizeof(address));
  std::memcpy(RTA_DATA(attribute), &address, sizeof(address));
  request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_SPACE(sizeof(address));
}

std::string Text(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
  return text;
}

// The answer to the request with number sequence: the device, or why not.
bool ReadAnswer(int fd, unsigned sequence, unsigned& ifindex, std::string& error) {
  alignas(nlmsghdr) char buffer[8192];
  for (;;) {
    const ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = std::string("no answer from the routing table: ") + (got < 0 ? std::strerror(errno) : "closed");
      return false;
    }
    unsigned left = static_cast<unsigned>(got);
    for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, left); message = NLMSG_NEXT(message, left)) {
      if (message->nlmsg_seq != sequence) continue;
      if (message->nlmsg_type == NLMSG_ERROR) {
        const auto* failure = static_cast<const nlmsgerr*>(NLMSG_DATA(message));
        error = std::strerror(-failure->error);
        return false;
      }
      if (message->nlmsg_type != RTM_NEWROUTE) continue;
      const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(message));
      if (route->rtm_type == RTN_LOCAL) {
        ifindex = 0;
        return true;
      }
      int length = static_cast<int>(RTM_PAYLOAD(message));
      for (auto* attribute = RTM_RTA(route); RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type == RTA_OIF && RTA_PAYLOAD(attribute) >= sizeof(int)) {
          int device = 0;
          std::memcpy(&device, RTA_DATA(attribute), sizeof(device));
          ifindex = static_cast<unsigned>(device);
          if (ifindex != 0) return true;
        }
      }
      error = "the route names no device";
      return false;
    }
  }
}

}  // namespace

bool RouteDevice(const sockaddr_in& source, const sockaddr_in& destination, unsigned& ifindex, std::string& error) {
  const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) {
    error = std::string("cannot ask the routing table: ") + std::strerror(errno);
    return false;
  }
  // The kernel answers at once; a second is plenty.
  const timeval limit{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
  static_assert(sizeof(RouteRequest) >= NLMSG_LENGTH(sizeof(rtmsg)) + 2 * RTA_SPACE(sizeof(in_addr_t)));
  RouteRequest request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
  request.header.nlmsg_type = RTM_GETROUTE;
  request.header.nlmsg_flags = NLM_F_REQUEST;
  request.header.nlmsg_seq = 1;
  request.route.rtm_family = AF_INET;
  request.route.rtm_dst_len = 32;
  request.route.rtm_src_len = 32;
  AddAddress(request, RTA_DST, destination.sin_addr.s_addr);
  AddAddress(request, RTA_SRC, source.sin_addr.s_addr);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  bool ok = sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof(kernel)) ==
            static_cast<ssize_t>(request.header.nlmsg_len);
  if (!ok) {
    error = std::string("cannot ask the routing table: ") + std::strerror(errno);
  } else {
    ok = ReadAnswer(fd, request.header.nlmsg_seq, ifindex, error);
  }
  close(fd);
  if (!ok) error = "no route from " + Text(source) + " to " + Text(destination) + ": " + error;
  return ok;
}
