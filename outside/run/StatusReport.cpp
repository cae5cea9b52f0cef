#include "outside/run/StatusReport.h"

#include "outside/local/StatusBytes.h"

#include <cstdio>

namespace {

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The round trip in milliseconds with one decimal.
std::string Milliseconds(std::uint32_t micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", micros / 1000.0);
  return text;
}

std::string Age(std::int64_t ms) {
  if (ms < 0) ms = 0;
  if (ms < 120000) return std::to_string(ms / 1000) + " s ago";
  return std::to_string(ms / 60000) + " min ago";
}

}  // namespace

std::string FormatStatusText(const StatusReport& report) {
  std::string text;
  if (!report.accelerating) {
    text = "not accelerating: " + report.problem + "\n";
  } else {
    const ProxyStatus& p = report.proxy;
    const std::string server = p.server + ":" + std::to_string(p.serverPort);
    text += report.line != 0 ? "line: " + std::to_string(report.line) + " (server " + server + ")\n"
                             : "line: not one of this build's lines (server " + server + ")\n";
    text += "local proxy: process " + std::to_string(p.pid) + ", main port " + std::to_string(p.mainPort) + "\n";
    text += "carrying: " + Plural(p.tcpConnections, "TCP connection", "TCP connections") + ", " +
            Plural(p.udpAssociations, "UDP association", "UDP associations") + "\n";
    text += "traffic: " + StatusByteText(p.bytesDown) + " down, " + StatusByteText(p.bytesUp) + " up\n";
    if (p.lineCheckAtMs == 0)
      text += "line check: not yet\n";
    else
      text += std::string("line check: ") + (p.lineCheckPassed ? "passed " : "failed ") +
              Age(report.nowMs - p.lineCheckAtMs) +
              (p.lineCheckPassed ? " (round trip " + Milliseconds(p.lineCheckMicros) + ")" : std::string()) + "\n";
  }
  if (report.programs.empty()) return text + "programs covered: none\n";
  text += "programs covered: " + std::to_string(report.programs.size()) + "\n";
  for (const CoveredProgram& program : report.programs)
    text += "  " + std::to_string(program.pid) + " " + program.name + "\n";
  return text;
}

std::string FormatStatusJson(const StatusReport& report) {
  const ProxyStatus& p = report.proxy;
  const bool on = report.accelerating;
  std::string json = std::string("{\"accelerating\":") + (on ? "true" : "false");
  json += ",\"line\":" + (on && report.line != 0 ? std::to_string(report.line) : std::string("null"));
  json += ",\"local_proxy_pid\":" + (on ? std::to_string(p.pid) : std::string("null"));
  json += ",\"tcp_connections\":" + std::to_string(on ? p.tcpConnections : 0);
  json += ",\"udp_associations\":" + std::to_string(on ? p.udpAssociations : 0);
  json += ",\"bytes_up\":" + std::to_string(on ? p.bytesUp : 0);
  json += ",\"bytes_down\":" + std::to_string(on ? p.bytesDown : 0);
  if (on) {
    json += ",\"server\":" + StatusJsonText(p.server);
    json += ",\"server_port\":" + std::to_string(p.serverPort);
    json += ",\"main_port\":" + std::to_string(p.mainPort);
    if (p.lineCheckAtMs == 0) {
      json += ",\"line_check\":null";
    } else {
      const std::int64_t age = report.nowMs > p.lineCheckAtMs ? report.nowMs - p.lineCheckAtMs : 0;
      json += std::string(",\"line_check\":{\"passed\":") + (p.lineCheckPassed ? "true" : "false") +
              ",\"age_ms\":" + std::to_string(age) + ",\"round_trip_us\":" + std::to_string(p.lineCheckMicros) + "}";
    }
  } else {
    json += ",\"problem\":" + StatusJsonText(report.problem);
  }
  json += ",\"covered_pids\":[";
  for (size_t i = 0; i < report.programs.size(); ++i)
    json += (i == 0 ? "" : ",") + std::to_string(report.programs[i].pid);
  return json + "]}\n";
}
