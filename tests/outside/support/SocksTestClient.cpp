#include "tests/outside/support/SocksTestClient.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

std::string Ipv4Bytes(const std::string& ip) {
  in_addr address{};
  inet_pton(AF_INET, ip.c_str(), &address);
  return std::string(reinterpret_cast<const char*>(&address), 4);
}

std::string PortBytes(int port) {
  return std::string{static_cast<char>((port >> 8) & 0xFF), static_cast<char>(port & 0xFF)};
}

// Greeting, request, reply. Returns the socket or -1 with reply set.
int Negotiate(int proxyPort, char command, const std::string& address, int& reply, std::string& bound) {
  reply = -1;
  const int fd = ConnectLoopback(proxyPort);
  if (fd < 0) return -1;
  std::string answer;
  if (!SendAll(fd, std::string("\x05\x01\x00", 3)) || !ReceiveExactly(fd, 2, answer) || answer != std::string("\x05\x00", 2) ||
      !SendAll(fd, std::string{5, command, 0} + address) || !ReceiveExactly(fd, 4, answer)) {
    close(fd);
    return -1;
  }
  reply = static_cast<unsigned char>(answer[1]);
  const char type = answer[3];
  std::string rest;
  const std::size_t length = type == 1 ? 6 : type == 4 ? 18 : 0;
  if (length == 0 || !ReceiveExactly(fd, length, rest) || reply != 0) {
    close(fd);
    return -1;
  }
  bound = rest;
  return fd;
}

}  // namespace

int ConnectLoopback(int port, int timeoutMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int SocksConnect(int proxyPort, const std::string& ip, int targetPort, int& reply) {
  std::string bound;
  return Negotiate(proxyPort, 1, std::string("\x01") + Ipv4Bytes(ip) + PortBytes(targetPort), reply, bound);
}

int SocksUdpAssociate(int proxyPort, sockaddr_in& relay, int& reply) {
  std::string bound;
  const int fd = Negotiate(proxyPort, 3, std::string("\x01", 1) + std::string(4, '\0') + PortBytes(0), reply, bound);
  if (fd < 0) return -1;
  relay = sockaddr_in{};
  relay.sin_family = AF_INET;
  std::memcpy(&relay.sin_addr, bound.data(), 4);
  std::memcpy(&relay.sin_port, bound.data() + 4, 2);
  return fd;
}

std::string UdpDatagram(const std::string& ip, int port, const std::string& payload) {
  return std::string("\x00\x00\x00\x01", 4) + Ipv4Bytes(ip) + PortBytes(port) + payload;
}

bool SendAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t sent = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    done += static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveExactly(int fd, std::size_t size, std::string& data) {
  data.assign(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = recv(fd, data.data() + done, size - done, 0);
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}
