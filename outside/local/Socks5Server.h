// The local side of the proxy speaks SOCKS5 without authentication: the
// client's greeting and request are parsed here, and the answers built.
#pragma once

#include "outside/local/SocksAddress.h"

#include <cstddef>
#include <cstdint>
#include <string>

enum class GreetingStatus { kIncomplete, kNoAuthOffered, kNoAcceptableMethod, kBad };

// VER NMETHODS METHODS...; used is the byte count when complete.
GreetingStatus ParseClientGreeting(const std::uint8_t* data, std::size_t size, std::size_t& used);

struct SocksRequest {
  std::uint8_t command = 0;
  SocksAddress target;
};

// VER CMD RSV ATYP DST.ADDR DST.PORT; used is the byte count on kDone.
ParseStatus ParseClientRequest(const std::uint8_t* data, std::size_t size, SocksRequest& request, std::size_t& used);

// VER METHOD.
std::string FormatMethodChoice(std::uint8_t method);
// VER REP RSV ATYP BND.ADDR BND.PORT.
std::string FormatReply(std::uint8_t reply, const SocksAddress& bound);
