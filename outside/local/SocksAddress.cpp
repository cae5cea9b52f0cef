#include "outside/local/SocksAddress.h"

#include <arpa/inet.h>

#include <cstring>

SocksAddress SocksAddress::FromSockaddr(const sockaddr_in& address) {
  SocksAddress result;
  result.type = kIpv4;
  result.host.assign(reinterpret_cast<const char*>(&address.sin_addr), 4);
  result.port = ntohs(address.sin_port);
  return result;
}

SocksAddress SocksAddress::FromSockaddr(const sockaddr_in6& address) {
  SocksAddress result;
  result.type = kIpv6;
  result.host.assign(reinterpret_cast<const char*>(&address.sin6_addr), 16);
  result.port = ntohs(address.sin6_port);
  return result;
}

bool SocksAddress::FromSockaddr(const sockaddr_storage& address, SocksAddress& result) {
  if (address.ss_family == AF_INET) {
    result = FromSockaddr(reinterpret_cast<const sockaddr_in&>(address));
    return true;
  }
  if (address.ss_family == AF_INET6) {
    result = FromSockaddr(reinterpret_cast<const sockaddr_in6&>(address));
    return true;
  }
  return false;
}

std::string SocksAddress::Encode() const {
  std::string bytes;
  bytes += static_cast<char>(type);
  if (type == kDomain) bytes += static_cast<char>(host.size());
  bytes += host;
  bytes += static_cast<char>(port >> 8);
  bytes += static_cast<char>(port & 0xFF);
  return bytes;
}

bool SocksAddress::ToSockaddr(sockaddr_storage& address, socklen_t& length) const {
  std::memset(&address, 0, sizeof address);
  if (type == kIpv4 && host.size() == 4) {
    auto* in4 = reinterpret_cast<sockaddr_in*>(&address);
    in4->sin_family = AF_INET;
    std::memcpy(&in4->sin_addr, host.data(), 4);
    in4->sin_port = htons(port);
    length = sizeof(sockaddr_in);
    return true;
  }
  if (type == kIpv6 && host.size() == 16) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
    in6->sin6_family = AF_INET6;
    std::memcpy(&in6->sin6_addr, host.data(), 16);
    in6->sin6_port = htons(port);
    length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

std::string SocksAddress::ToText() const {
  char text[INET6_ADDRSTRLEN] = {};
  std::string name;
  if (type == kIpv4 && host.size() == 4) {
    name = inet_ntop(AF_INET, host.data(), text, sizeof text);
  } else if (type == kIpv6 && host.size() == 16) {
    name = "[" + std::string(inet_ntop(AF_INET6, host.data(), text, sizeof text)) + "]";
  } else {
    name = host;
  }
  return name + ":" + std::to_string(port);
}

ParseStatus ParseSocksAddress(const std::uint8_t* data, std::size_t size, SocksAddress& address, std::size_t& used) {
  if (size < 1) return ParseStatus::kIncomplete;
  std::size_t hostOffset = 1;
  std::size_t hostLength = 0;
  switch (data[0]) {
    case SocksAddress::kIpv4: hostLength = 4; break;
    case SocksAddress::kIpv6: hostLength = 16; break;
    case SocksAddress::kDomain:
      if (size < 2) return ParseStatus::kIncomplete;
      hostLength = data[1];
      hostOffset = 2;
      if (hostLength == 0) return ParseStatus::kBad;
      break;
    default: return ParseStatus::kBadAddressType;
  }
  const std::size_t total = hostOffset + hostLength + 2;
  if (size < total) return ParseStatus::kIncomplete;
  address.type = data[0];
  address.host.assign(reinterpret_cast<const char*>(data + hostOffset), hostLength);
  address.port = static_cast<std::uint16_t>((data[hostOffset + hostLength] << 8) | data[hostOffset + hostLength + 1]);
  used = total;
  return ParseStatus::kDone;
}
