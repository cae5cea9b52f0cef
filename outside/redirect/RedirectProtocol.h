// The requests the redirection library sends to the privileged
// redirection service over its Unix socket, and the answers.
//
// A request is one line of ASCII text, at most kMaxRequestBytes including
// the final "\n":
//
//   BRISGOL-REDIRECT 1 PING
//   BRISGOL-REDIRECT 1 ADD 127.0.0.1 <port>     redirect covered traffic there
//   BRISGOL-REDIRECT 1 WATCH <pid>              the front end's process
//   BRISGOL-REDIRECT 1 CLEAR                    remove every rule
//
// Words are separated by exactly one space. The version is 1. A port is
// 1..65535 and a process id 1..4194304, in decimal without sign or leading
// zeros. The only address a rule may name is 127.0.0.1: the service never
// sends traffic anywhere but to a local proxy.
//
// The answer is one line: "OK" or "ERR <reason>".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxRequestBytes = 128;
inline constexpr char kRequestMagic[] = "BRISGOL-REDIRECT";
inline constexpr int kRequestVersion = 1;

struct RedirectRequest {
  enum class Command { kPing, kAdd, kWatch, kClear };
  Command command = Command::kPing;
  int port = 0;       // kAdd
  long pid = 0;       // kWatch
};

// True with request filled when bytes are one well-formed request line;
// false with a reason otherwise (nothing is ever partly accepted).
bool ParseRedirectRequest(std::string_view bytes, RedirectRequest& request, std::string& error);

std::string FormatRedirectRequest(const RedirectRequest& request);

// "OK\n" or "ERR <reason>\n" (the reason's line breaks become spaces).
std::string FormatAnswer(bool ok, const std::string& reason);
// True when the answer is "OK"; reason holds an "ERR" answer's text.
bool ParseAnswer(std::string_view bytes, std::string& reason);
