#include "outside/local/Socks5Server.h"

#include "outside/local/Socks5.h"

GreetingStatus ParseClientGreeting(const std::uint8_t* data, std::size_t size, std::size_t& used) {
  if (size < 1) return GreetingStatus::kIncomplete;
  if (data[0] != socks5::kVersion) return GreetingStatus::kBad;
  if (size < 2) return GreetingStatus::kIncomplete;
  const std::size_t methods = data[1];
  if (methods == 0) return GreetingStatus::kBad;
  if (size < 2 + methods) return GreetingStatus::kIncomplete;
  used = 2 + methods;
  for (std::size_t i = 0; i < methods; ++i) {
    if (data[2 + i] == socks5::kMethodNoAuth) return GreetingStatus::kNoAuthOffered;
  }
  return GreetingStatus::kNoAcceptableMethod;
}

ParseStatus ParseClientRequest(const std::uint8_t* data, std::size_t size, SocksRequest& request, std::size_t& used) {
  if (size < 1) return ParseStatus::kIncomplete;
  if (data[0] != socks5::kVersion) return ParseStatus::kBad;
  if (size < 4) return ParseStatus::kIncomplete;
  if (data[2] != 0) return ParseStatus::kBad;
  std::size_t addressBytes = 0;
  const ParseStatus status = ParseSocksAddress(data + 3, size - 3, request.target, addressBytes);
  if (status != ParseStatus::kDone) return status;
  request.command = data[1];
  used = 3 + addressBytes;
  return ParseStatus::kDone;
}

std::string FormatMethodChoice(std::uint8_t method) {
  return std::string{static_cast<char>(socks5::kVersion), static_cast<char>(method)};
}

std::string FormatReply(std::uint8_t reply, const SocksAddress& bound) {
  return std::string{static_cast<char>(socks5::kVersion), static_cast<char>(reply), 0} + bound.Encode();
}
