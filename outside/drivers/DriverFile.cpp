#include "outside/drivers/DriverFile.h"

#include <set>

std::string FormatDriverFile(const DriverFileInfo& info) {
  std::string text = std::string(kDriverFileMagic) + "\n";
  text += "name=" + info.name + "\n";
  text += std::string("kind=") + (info.kind == DriverKind::kProxy ? "proxy" : "process") + "\n";
  text += "arch=" + std::to_string(info.bits) + "\n";
  text += std::string("load=") + (info.loads ? "ok" : "fails") + "\n";
  if (info.service) text += "redirect=service\n";
  return text;
}

bool ParseDriverFile(const std::string& bytes, DriverFileInfo& info) {
  if (bytes.size() > kMaxDriverFileBytes || bytes.empty() || bytes.back() != '\n') return false;
  DriverFileInfo parsed;
  std::set<std::string> seen;
  std::size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\n', start);
    const std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (first) {
      if (line != kDriverFileMagic) return false;
      first = false;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (!seen.insert(key).second) return false;
    if (key == "name") {
      if (value.empty()) return false;
      parsed.name = value;
    } else if (key == "kind") {
      if (value != "proxy" && value != "process") return false;
      parsed.kind = value == "proxy" ? DriverKind::kProxy : DriverKind::kProcess;
    } else if (key == "arch") {
      if (value != "32" && value != "64") return false;
      parsed.bits = value == "32" ? 32 : 64;
    } else if (key == "load") {
      if (value != "ok" && value != "fails") return false;
      parsed.loads = value == "ok";
    } else if (key == "redirect") {
      if (value != "service" && value != "record") return false;
      parsed.service = value == "service";
    } else {
      return false;
    }
  }
  if (seen.size() - seen.count("redirect") != 4) return false;
  info = parsed;
  return true;
}
