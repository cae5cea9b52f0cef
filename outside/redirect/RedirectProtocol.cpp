#include "outside/redirect/RedirectProtocol.h"

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

}  // namespace

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
  const std::string_view command = words[2];
  const std::size_t arguments = words.size() - 3;
  if (command == "PING" && arguments == 0) {
    parsed.command = RedirectRequest::Command::kPing;
  } else if (command == "CLEAR" && arguments == 0) {
    parsed.command = RedirectRequest::Command::kClear;
  } else if (command == "ADD" && arguments == 2) {
    parsed.command = RedirectRequest::Command::kAdd;
    if (words[3] != "127.0.0.1") {
      error = "a rule may only redirect to 127.0.0.1";
      return false;
    }
    long port = 0;
    if (!ParseNumber(words[4], 65535, port)) {
      error = "the port is not 1..65535";
      return false;
    }
    parsed.port = static_cast<int>(port);
  } else if (command == "WATCH" && arguments == 1) {
    parsed.command = RedirectRequest::Command::kWatch;
    if (!ParseNumber(words[3], kMaxPid, parsed.pid)) {
      error = "the process id is not 1..4194304";
      return false;
    }
  } else {
    error = "unknown command or wrong number of arguments";
    return false;
  }
  request = parsed;
  return true;
}

std::string FormatRedirectRequest(const RedirectRequest& request) {
  std::string line = std::string(kRequestMagic) + " " + std::to_string(kRequestVersion) + " ";
  switch (request.command) {
    case RedirectRequest::Command::kPing: line += "PING"; break;
    case RedirectRequest::Command::kClear: line += "CLEAR"; break;
    case RedirectRequest::Command::kAdd: line += "ADD 127.0.0.1 " + std::to_string(request.port); break;
    case RedirectRequest::Command::kWatch: line += "WATCH " + std::to_string(request.pid); break;
  }
  return line + "\n";
}

std::string FormatAnswer(bool ok, const std::string& reason) {
  if (ok) return "OK\n";
  std::string text = "ERR " + reason;
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text + "\n";
}

bool ParseAnswer(std::string_view bytes, std::string& reason) {
  if (bytes == "OK\n") return true;
  if (bytes.substr(0, 4) == "ERR " && !bytes.empty() && bytes.back() == '\n') {
    reason = std::string(bytes.substr(4, bytes.size() - 5));
  } else {
    reason = "the redirection service gave no answer";
  }
  return false;
}
