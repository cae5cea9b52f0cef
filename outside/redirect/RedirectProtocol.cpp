#include "outside/redirect/RedirectProtocol.h"

#include <arpa/inet.h>

#include <utility>
#include <vector>

namespace {

constexpr long kMaxPid = 4194304;  // the kernel's pid_max ceiling

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  for (;;) {
    const std::size_t space = line.find(' ', start);
    words.push_back(line.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
    if (space == std::string_view::npos) return words;
    start = space + 1;
  }
}

// A decimal number in [1, max] without sign or leading zeros.
bool ParseNumber(std::string_view text, long max, long& value) {
  if (text.empty() || text.size() > 7 || text[0] == '0') return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= max;
}

// A count in decimal, 0 included, without sign or leading zeros.
bool ParseCount(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19 || (text[0] == '0' && text.size() > 1)) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

bool ParsePort(std::string_view text, int& port, std::string& error) {
  long value = 0;
  if (!ParseNumber(text, 65535, value)) {
    error = "the port is not 1..65535";
    return false;
  }
  port = static_cast<int>(value);
  return true;
}

// An IPv4 or IPv6 address and a port, the address kept in its canonical
// text. IPv4-mapped IPv6 addresses are refused: each address has one
// family.
bool ParseEndpoint(std::string_view address, std::string_view port, RedirectEndpoint& endpoint, std::string& error) {
  const std::string text(address);
  char canonical[INET6_ADDRSTRLEN] = {};
  in_addr v4{};
  in6_addr v6{};
  if (text.size() < INET6_ADDRSTRLEN && inet_pton(AF_INET, text.c_str(), &v4) == 1) {
    endpoint.family = AF_INET;
    inet_ntop(AF_INET, &v4, canonical, sizeof canonical);
  } else if (text.size() < INET6_ADDRSTRLEN && inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      error = "an IPv4-mapped IPv6 address is not accepted";
      return false;
    }
    endpoint.family = AF_INET6;
    inet_ntop(AF_INET6, &v6, canonical, sizeof canonical);
  } else {
    error = "not an IPv4 or IPv6 address";
    return false;
  }
  endpoint.address = canonical;
  return ParsePort(port, endpoint.port, error);
}

bool ParseCommand(const std::vector<std::string_view>& words, RedirectRequest& parsed, std::string& error) {
  using Command = RedirectRequest::Command;
  const std::string_view command = words[2];
  const std::size_t arguments = words.size() - 3;
  if (command == "PING" && arguments == 0) {
    parsed.command = Command::kPing;
    return true;
  }
  if (command == "CLEAR" && arguments == 0) {
    parsed.command = Command::kClear;
    return true;
  }
  if (command == "ADD" && arguments == 2) {
    parsed.command = Command::kAdd;
    if (words[3] != "127.0.0.1") {
      error = "a rule may only redirect to 127.0.0.1";
      return false;
    }
    return ParsePort(words[4], parsed.port, error);
  }
  if ((command == "WATCH" || command == "JOIN") && arguments == 1) {
    parsed.command = command == "WATCH" ? Command::kWatch : Command::kJoin;
    if (!ParseNumber(words[3], kMaxPid, parsed.pid)) {
      error = "the process id is not 1..4194304";
      return false;
    }
    return true;
  }
  if (command == "UDP-LISTENER" && arguments == 2) {
    parsed.command = Command::kUdpListener;
    if (words[3] != "127.0.0.1" && words[3] != "::1") {
      error = "a listener may only be on 127.0.0.1 or ::1";
      return false;
    }
    return ParseEndpoint(words[3], words[4], parsed.local, error);
  }
  if (command == "UDP-REPLY" && arguments == 4) {
    parsed.command = Command::kUdpReply;
    if (!ParseEndpoint(words[3], words[4], parsed.remote, error) ||
        !ParseEndpoint(words[5], words[6], parsed.game, error)) {
      return false;
    }
    if (parsed.remote.family != parsed.game.family) {
      error = "the two addresses are not of one family";
      return false;
    }
    return true;
  }
  if (command == "UDP-KERNEL-SEEN" && arguments == 0) {
    parsed.command = Command::kUdpKernelSeen;
    return true;
  }
  if ((command == "UDP-KERNEL" && arguments == 5) || (command == "UDP-KERNEL-END" && arguments == 4)) {
    parsed.command = command == "UDP-KERNEL" ? Command::kUdpKernel : Command::kUdpKernelEnd;
    if (!ParseEndpoint(words[3], words[4], parsed.game, error) ||
        !ParseEndpoint(words[5], words[6], parsed.remote, error) ||
        (arguments == 5 && !ParsePort(words[7], parsed.port, error))) {
      return false;
    }
    if (parsed.game.family != AF_INET || parsed.remote.family != AF_INET) {
      error = "the kernel carries IPv4 only";
      return false;
    }
    return true;
  }
  error = "unknown command or wrong number of arguments";
  return false;
}

std::string EndpointWords(const RedirectEndpoint& endpoint) {
  return endpoint.address + " " + std::to_string(endpoint.port);
}

}  // namespace

bool EndpointAddress(const RedirectEndpoint& endpoint, sockaddr_storage& address, socklen_t& length) {
  address = {};
  if (endpoint.family == AF_INET) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(endpoint.port));
    length = sizeof *v4;
    return inet_pton(AF_INET, endpoint.address.c_str(), &v4->sin_addr) == 1;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  v6->sin6_family = AF_INET6;
  v6->sin6_port = htons(static_cast<std::uint16_t>(endpoint.port));
  length = sizeof *v6;
  return endpoint.family == AF_INET6 && inet_pton(AF_INET6, endpoint.address.c_str(), &v6->sin6_addr) == 1;
}

bool ParseRedirectRequest(std::string_view bytes, RedirectRequest& request, std::string& error) {
  if (bytes.size() > kMaxRequestBytes) {
    error = "request too long";
    return false;
  }
  if (bytes.empty() || bytes.back() != '\n') {
    error = "request not ended by a line feed";
    return false;
  }
  const std::string_view line = bytes.substr(0, bytes.size() - 1);
  for (char c : line) {
    if (c < 0x20 || c > 0x7E) {
      error = "request holds a byte that is not printable ASCII";
      return false;
    }
  }
  const std::vector<std::string_view> words = Words(line);
  if (words.size() < 3 || words[0] != kRequestMagic) {
    error = "not a redirection request";
    return false;
  }
  if (words[1] != "1") {
    error = "unsupported request version";
    return false;
  }
  RedirectRequest parsed;
  if (!ParseCommand(words, parsed, error)) return false;
  request = parsed;
  return true;
}

std::string FormatRedirectRequest(const RedirectRequest& request) {
  using Command = RedirectRequest::Command;
  std::string line = std::string(kRequestMagic) + " " + std::to_string(kRequestVersion) + " ";
  switch (request.command) {
    case Command::kPing: line += "PING"; break;
    case Command::kClear: line += "CLEAR"; break;
    case Command::kAdd: line += "ADD 127.0.0.1 " + std::to_string(request.port); break;
    case Command::kWatch: line += "WATCH " + std::to_string(request.pid); break;
    case Command::kJoin: line += "JOIN " + std::to_string(request.pid); break;
    case Command::kUdpListener: line += "UDP-LISTENER " + EndpointWords(request.local); break;
    case Command::kUdpReply: line += "UDP-REPLY " + EndpointWords(request.remote) + " " + EndpointWords(request.game); break;
    case Command::kUdpKernel:
      line += "UDP-KERNEL " + EndpointWords(request.game) + " " + EndpointWords(request.remote) + " " +
              std::to_string(request.port);
      break;
    case Command::kUdpKernelEnd:
      line += "UDP-KERNEL-END " + EndpointWords(request.game) + " " + EndpointWords(request.remote);
      break;
    case Command::kUdpKernelSeen: line += "UDP-KERNEL-SEEN"; break;
  }
  return line + "\n";
}

std::string FormatKernelSeen(const std::vector<KernelRouteSeen>& routes) {
  std::string text;
  for (const KernelRouteSeen& route : routes) {
    if (!text.empty()) text += ' ';
    text += EndpointWords(route.game) + " " + EndpointWords(route.remote) + " " + std::to_string(route.packetsOut) + " " +
            std::to_string(route.packetsBack) + " " + std::to_string(route.bytesOut) + " " + std::to_string(route.bytesBack);
  }
  return text;
}

bool ParseKernelSeen(std::string_view details, std::vector<KernelRouteSeen>& routes) {
  std::vector<KernelRouteSeen> parsed;
  if (!details.empty()) {
    const std::vector<std::string_view> words = Words(details);
    if (words.size() % 8 != 0) return false;
    for (std::size_t at = 0; at < words.size(); at += 8) {
      KernelRouteSeen route;
      std::string error;
      if (!ParseEndpoint(words[at], words[at + 1], route.game, error) ||
          !ParseEndpoint(words[at + 2], words[at + 3], route.remote, error) || !ParseCount(words[at + 4], route.packetsOut) ||
          !ParseCount(words[at + 5], route.packetsBack) || !ParseCount(words[at + 6], route.bytesOut) ||
          !ParseCount(words[at + 7], route.bytesBack)) {
        return false;
      }
      parsed.push_back(route);
    }
  }
  routes = std::move(parsed);
  return true;
}

std::string FormatAnswer(bool ok, const std::string& text) {
  std::string line = ok ? (text.empty() ? "OK" : "OK " + text) : "ERR " + text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line + "\n";
}

bool ParseAnswer(std::string_view bytes, std::string& text) {
  text.clear();
  if (bytes == "OK\n") return true;
  const bool ended = !bytes.empty() && bytes.back() == '\n';
  if (ended && bytes.substr(0, 3) == "OK ") {
    text = std::string(bytes.substr(3, bytes.size() - 4));
    return true;
  }
  if (ended && bytes.substr(0, 4) == "ERR ") {
    text = std::string(bytes.substr(4, bytes.size() - 5));
  } else {
    text = "the redirection service gave no answer";
  }
  return false;
}
