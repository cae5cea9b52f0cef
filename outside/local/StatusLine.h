// The local proxy's status as its status interface sends it: one line of
// JSON (one object, then "\n") per report. The line server is named by
// address and port; which of the front end's lines that is, the reader
// tells from its own line table.
//
//   {"pid":4242,"server":"127.0.0.1","server_port":38649,"main_port":48080,
//    "tcp_connections":3,"udp_associations":2,"bytes_up":1258291,
//    "bytes_down":8808038,"line_check_at_ms":123456789,
//    "line_check_passed":true,"line_check_us":412}
//
// Counters are unsigned 64-bit; line_check_at_ms is on the machine's
// monotonic clock (CLOCK_MONOTONIC, the same for every process), 0 before
// the first check.
#pragma once

#include <cstdint>
#include <string>

struct ProxyStatus {
  long pid = 0;
  std::string server;  // IPv4, dotted decimal
  int serverPort = 0;
  int mainPort = 0;
  std::uint64_t tcpConnections = 0;
  std::uint64_t udpAssociations = 0;
  std::uint64_t bytesUp = 0;
  std::uint64_t bytesDown = 0;
  std::int64_t lineCheckAtMs = 0;
  bool lineCheckPassed = false;
  std::uint32_t lineCheckMicros = 0;
};

// The longest line a reader accepts, "\n" included.
constexpr std::size_t kMaxStatusLineBytes = 4096;
// The longest line server name a report carries.
constexpr std::size_t kMaxServerTextBytes = 255;

// text as a JSON string, quotes included.
std::string StatusJsonText(const std::string& text);

// The line for status, "\n" included.
std::string FormatStatusLine(const ProxyStatus& status);

// Reads one line (with or without its "\n"). False, status untouched, for
// anything but one JSON object with every member of the right type and
// range; members it does not know are ignored.
bool ParseStatusLine(const std::string& line, ProxyStatus& status);
