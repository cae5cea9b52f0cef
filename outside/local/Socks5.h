// SOCKS5 protocol numbers (RFC 1928) and username/password authentication
// (RFC 1929).
#pragma once

#include <cstdint>

namespace socks5 {

inline constexpr std::uint8_t kVersion = 5;
inline constexpr std::uint8_t kMethodNoAuth = 0x00;
inline constexpr std::uint8_t kMethodUserPassword = 0x02;
inline constexpr std::uint8_t kMethodNoneAcceptable = 0xFF;
inline constexpr std::uint8_t kUserPasswordVersion = 1;

inline constexpr std::uint8_t kCommandConnect = 1;
inline constexpr std::uint8_t kCommandBind = 2;
inline constexpr std::uint8_t kCommandUdpAssociate = 3;

inline constexpr std::uint8_t kReplySucceeded = 0;
inline constexpr std::uint8_t kReplyGeneralFailure = 1;
inline constexpr std::uint8_t kReplyNotAllowed = 2;
inline constexpr std::uint8_t kReplyNetworkUnreachable = 3;
inline constexpr std::uint8_t kReplyHostUnreachable = 4;
inline constexpr std::uint8_t kReplyConnectionRefused = 5;
inline constexpr std::uint8_t kReplyTtlExpired = 6;
inline constexpr std::uint8_t kReplyCommandNotSupported = 7;
inline constexpr std::uint8_t kReplyAddressTypeNotSupported = 8;

}  // namespace socks5
