// A SOCKS5 address (ATYP, address, port) as it travels in requests, replies
// and UDP datagram headers.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct SocksAddress {
  static constexpr std::uint8_t kIpv4 = 1;
  static constexpr std::uint8_t kDomain = 3;
  static constexpr std::uint8_t kIpv6 = 4;

  std::uint8_t type = kIpv4;
  std::string host;  // 4 or 16 raw bytes, or the domain name
  std::uint16_t port = 0;

  static SocksAddress FromSockaddr(const sockaddr_in& address);
  static SocksAddress FromSockaddr(const sockaddr_in6& address);
  // An IPv4 or IPv6 socket address; false for any other family.
  static bool FromSockaddr(const sockaddr_storage& address, SocksAddress& result);
  // ATYP, address (domain names with their length byte), port.
  std::string Encode() const;
  // Only IPv4 and IPv6 addresses convert; false for domain names.
  bool ToSockaddr(sockaddr_storage& address, socklen_t& length) const;
  std::string ToText() const;
};

enum class ParseStatus { kIncomplete, kDone, kBad, kBadAddressType };

// Reads an encoded address from the front of data; used is the byte count
// on kDone.
ParseStatus ParseSocksAddress(const std::uint8_t* data, std::size_t size, SocksAddress& address, std::size_t& used);
