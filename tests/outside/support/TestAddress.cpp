#include "tests/outside/support/TestAddress.h"

#include <arpa/inet.h>

sockaddr_storage TestSocketAddress(const std::string& ip, int port, socklen_t* length) {
  sockaddr_storage address{};
  socklen_t size = 0;
  if (ip.find(':') != std::string::npos) {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET6, ip.c_str(), &in6.sin6_addr);
    size = sizeof in6;
  } else {
    auto& in4 = reinterpret_cast<sockaddr_in&>(address);
    in4.sin_family = AF_INET;
    in4.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &in4.sin_addr);
    size = sizeof in4;
  }
  if (length != nullptr) *length = size;
  return address;
}
