#include "outside/launchrecord/LaunchRecord.h"

#include <arpa/inet.h>

#include <charconv>
#include <vector>

namespace {

constexpr std::size_t kFieldCount = 8;

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = text.find('|', start);
    fields.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

// Decimal digits only (an optional leading "-" when allowNegative), the
// whole field, in the range of T.
template <typename T>
bool ParseDecimal(const std::string& field, T& value, bool allowNegative) {
  if (field.empty() || field.size() > 20) return false;
  const std::size_t first = (allowNegative && field[0] == '-') ? 1 : 0;
  if (first == field.size()) return false;
  for (std::size_t i = first; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
  }
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size();
}

bool ParsePort(const std::string& field, int& port, int lowest) {
  return ParseDecimal(field, port, false) && port >= lowest && port <= 65535;
}

bool IsDottedIpv4(const std::string& field) {
  in_addr address{};
  return inet_pton(AF_INET, field.c_str(), &address) == 1;
}

}  // namespace

const char* LaunchRecordErrorText(LaunchRecordError error) {
  switch (error) {
    case LaunchRecordError::kNone: return "no error";
    case LaunchRecordError::kNotBase64: return "the launch record is not Base64 text";
    case LaunchRecordError::kBadLength: return "the launch record does not decode to whole 32-bit words";
    case LaunchRecordError::kBadLengthWord: return "the launch record's length word does not match its size";
    case LaunchRecordError::kWrongFieldCount: return "the launch record does not have eight fields";
    case LaunchRecordError::kBadPort: return "the launch record names a port outside 1..65535";
    case LaunchRecordError::kBadNumber: return "the launch record's process id or user number is not a number";
    case LaunchRecordError::kBadAddress: return "the launch record's server address is not an IPv4 address";
  }
  return "unknown launch record error";
}

std::string FormatLaunchRecord(const LaunchRecord& record) {
  return record.serverAddress + "|" + std::to_string(record.serverPort) + "|" + record.password + "|" +
         std::to_string(record.mainPort) + "|" + std::to_string(record.frontEndPid) + "|" + record.reserved +
         "|" + std::to_string(record.fixedNumber) + "|" + record.mode;
}

LaunchRecordError ParseLaunchRecord(const std::string& text, LaunchRecord& record) {
  const std::vector<std::string> fields = SplitFields(text);
  if (fields.size() != kFieldCount) return LaunchRecordError::kWrongFieldCount;
  LaunchRecord parsed;
  if (!IsDottedIpv4(fields[0])) return LaunchRecordError::kBadAddress;
  parsed.serverAddress = fields[0];
  // Main port 0: the front end's start failed before it chose a port.
  if (!ParsePort(fields[1], parsed.serverPort, 1) || !ParsePort(fields[3], parsed.mainPort, 0)) {
    return LaunchRecordError::kBadPort;
  }
  if (!ParseDecimal(fields[4], parsed.frontEndPid, true) || !ParseDecimal(fields[6], parsed.fixedNumber, false)) {
    return LaunchRecordError::kBadNumber;
  }
  parsed.password = fields[2];
  parsed.reserved = fields[5];
  parsed.mode = fields[7];
  record = parsed;
  return LaunchRecordError::kNone;
}
