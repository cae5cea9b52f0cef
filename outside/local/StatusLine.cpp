#include "outside/local/StatusLine.h"

#include <json/json.h>

#include <cstdio>
#include <exception>
#include <limits>
#include <memory>

namespace {

bool ReadUInt64(const Json::Value& object, const char* name, std::uint64_t& value) {
  const Json::Value& member = object[name];
  if (!member.isUInt64() || member.type() == Json::realValue) return false;
  value = member.asUInt64();
  return true;
}

bool ReadInt64(const Json::Value& object, const char* name, std::int64_t& value) {
  const Json::Value& member = object[name];
  if (!member.isInt64() || member.type() == Json::realValue) return false;
  value = member.asInt64();
  return true;
}

bool ReadPort(const Json::Value& object, const char* name, int& port) {
  std::uint64_t value = 0;
  if (!ReadUInt64(object, name, value) || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

// The line server's address as the proxy writes it: a host's text, no
// control characters. Anything else is no report of ours, and could not
// be written back within kMaxStatusLineBytes (a NUL takes six bytes).
bool IsServerText(const std::string& text) {
  if (text.empty() || text.size() > kMaxServerTextBytes) return false;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

std::string StatusJsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string FormatStatusLine(const ProxyStatus& status) {
  std::string line = "{\"pid\":" + std::to_string(status.pid);
  line += ",\"server\":" + StatusJsonText(status.server);
  line += ",\"server_port\":" + std::to_string(status.serverPort);
  line += ",\"main_port\":" + std::to_string(status.mainPort);
  line += ",\"tcp_connections\":" + std::to_string(status.tcpConnections);
  line += ",\"udp_associations\":" + std::to_string(status.udpAssociations);
  line += ",\"bytes_up\":" + std::to_string(status.bytesUp);
  line += ",\"bytes_down\":" + std::to_string(status.bytesDown);
  line += ",\"line_check_at_ms\":" + std::to_string(status.lineCheckAtMs);
  line += std::string(",\"line_check_passed\":") + (status.lineCheckPassed ? "true" : "false");
  line += ",\"line_check_us\":" + std::to_string(status.lineCheckMicros);
  return line + "}\n";
}

bool ParseStatusLine(const std::string& line, ProxyStatus& status) {
  if (line.size() > kMaxStatusLineBytes) return false;
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["allowComments"] = false;
  builder["failIfExtra"] = true;
  builder["rejectDupKeys"] = true;
  // A report is flat; deeper nesting is not one (and past the limit the
  // reader throws, which is caught below).
  builder["stackLimit"] = 16;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  const char* begin = line.data();
  const char* end = begin + line.size();
  if (end != begin && end[-1] == '\n') --end;
  try {
    if (!reader->parse(begin, end, &root, &errors) || !root.isObject()) return false;
  } catch (const std::exception&) {
    return false;
  }

  ProxyStatus read;
  std::int64_t pid = 0;
  std::uint64_t checkMicros = 0;
  if (!ReadInt64(root, "pid", pid) || pid <= 0 || pid > std::numeric_limits<int>::max()) return false;
  read.pid = static_cast<long>(pid);
  if (!root["server"].isString()) return false;
  read.server = root["server"].asString();
  if (!IsServerText(read.server)) return false;
  if (!ReadPort(root, "server_port", read.serverPort) || !ReadPort(root, "main_port", read.mainPort)) return false;
  if (!ReadUInt64(root, "tcp_connections", read.tcpConnections) ||
      !ReadUInt64(root, "udp_associations", read.udpAssociations) || !ReadUInt64(root, "bytes_up", read.bytesUp) ||
      !ReadUInt64(root, "bytes_down", read.bytesDown) || !ReadInt64(root, "line_check_at_ms", read.lineCheckAtMs) ||
      !ReadUInt64(root, "line_check_us", checkMicros) || checkMicros > std::numeric_limits<std::uint32_t>::max())
    return false;
  read.lineCheckMicros = static_cast<std::uint32_t>(checkMicros);
  if (!root["line_check_passed"].isBool()) return false;
  read.lineCheckPassed = root["line_check_passed"].asBool();
  status = read;
  return true;
}
