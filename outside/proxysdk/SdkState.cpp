#include "outside/proxysdk/SdkState.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr char kHeader[] = "proxysdk-state 1";

std::string Escape(const std::string& value) {
  std::string out;
  for (unsigned char c : value) {
    if (c == '%' || c < 0x20 || c == 0x7F) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 && HexDigit(value[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
      i += 2;
    } else {
      out += value[i];
    }
  }
  return out;
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

}  // namespace

std::string FormatSdkState(const SdkState& state) {
  std::string text = std::string(kHeader) + "\n";
  text += std::string("installed=") + (state.installed ? "1" : "0") + "\n";
  text += "bits=" + std::to_string(state.bits) + "\n";
  text += "proxy=" + Escape(state.proxyPath) + "\n";
  text += "process=" + Escape(state.processPath) + "\n";
  text += "error=" + Escape(state.error) + "\n";
  text += std::string("service=") + (state.service ? "1" : "0") + "\n";
  for (const RedirectRule& rule : state.rules) {
    text += "rule=" + Escape(rule.protocol) + "\t" + Escape(rule.address) + "\t" + Escape(rule.port) + "\t" +
            Escape(rule.note) + "\t" + Escape(rule.reserved) + "\n";
  }
  for (unsigned long pid : state.pids) text += "pid=" + std::to_string(pid) + "\n";
  return text;
}

bool ParseSdkState(const std::string& text, SdkState& state) {
  state = SdkState();
  const std::vector<std::string> lines = SplitAt(text, '\n');
  if (lines.empty() || lines[0] != kHeader) return false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "installed") {
      state.installed = value == "1";
    } else if (key == "bits") {
      state.bits = value == "32" ? 32 : value == "64" ? 64 : 0;
    } else if (key == "proxy") {
      state.proxyPath = Unescape(value);
    } else if (key == "process") {
      state.processPath = Unescape(value);
    } else if (key == "error") {
      state.error = Unescape(value);
    } else if (key == "service") {
      state.service = value == "1";
    } else if (key == "rule") {
      const std::vector<std::string> parts = SplitAt(value, '\t');
      if (parts.size() != 5) continue;
      state.rules.push_back({Unescape(parts[0]), Unescape(parts[1]), Unescape(parts[2]), Unescape(parts[3]),
                             Unescape(parts[4])});
    } else if (key == "pid") {
      unsigned long pid = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), pid);
      if (error == std::errc() && end == value.data() + value.size()) state.pids.push_back(pid);
    }
  }
  return true;
}
