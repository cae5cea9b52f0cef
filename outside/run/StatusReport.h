// What "brisgol-run --status" prints: the line, the local proxy, what it
// carries and the programs covered right now, as text for a terminal or
// as one JSON object for scripts.
#pragma once

#include "outside/local/StatusLine.h"
#include "outside/run/StatusPrograms.h"

#include <cstdint>
#include <string>
#include <vector>

struct StatusReport {
  // A local proxy answered on the status interface.
  bool accelerating = false;
  // Why not, when not accelerating.
  std::string problem;
  // 1..3 as the build's line table names the proxy's server; 0 unknown.
  int line = 0;
  ProxyStatus proxy;
  // The machine's monotonic clock now, for the age of the line check.
  std::int64_t nowMs = 0;
  std::vector<CoveredProgram> programs;
};

// Lines for a person, each ending in "\n".
std::string FormatStatusText(const StatusReport& report);
// One JSON object and "\n". Always: "accelerating", "line" (1-3 or null),
// "local_proxy_pid" (or null), "tcp_connections", "udp_associations",
// "bytes_up", "bytes_down" (0 when not accelerating), "covered_pids";
// while accelerating also "server", "server_port", "main_port" and
// "line_check" (null before the first check).
std::string FormatStatusJson(const StatusReport& report);
