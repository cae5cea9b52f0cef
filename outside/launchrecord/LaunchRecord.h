// The launch record the front end hands to the local proxy: eight fields
// joined by "|" (server address, server port, password, local main port,
// front-end process id, an empty field, the fixed user number, the mode).
#pragma once

#include <string>

struct LaunchRecord {
  std::string serverAddress;      // IPv4, dotted decimal
  int serverPort = 0;             // 1..65535
  std::string password;
  int mainPort = 0;               // 0..65535 once decoded (0: no port was chosen)
  long frontEndPid = 0;
  std::string reserved;           // always empty when written by the front end
  unsigned long fixedNumber = 0;  // the line servers' user name, in decimal
  std::string mode;               // always "0" when written by the front end
};

// Why a record was refused.
enum class LaunchRecordError {
  kNone,
  kNotBase64,        // not canonical standard Base64
  kBadLength,        // not whole 32-bit words, or fewer than two
  kBadLengthWord,    // the length word does not fit the word count (wrong key, damage)
  kWrongFieldCount,  // fewer or more than eight fields
  kBadPort,          // a port that is not a decimal number in 1..65535 (main port: 0..65535)
  kBadNumber,        // process id or fixed number not decimal
  kBadAddress,       // server address not IPv4 dotted decimal
};

// A short English description of the error, for messages on standard error.
const char* LaunchRecordErrorText(LaunchRecordError error);

// The eight fields joined by "|", numbers in decimal.
std::string FormatLaunchRecord(const LaunchRecord& record);

// Splits the text at "|" and checks every field; record is filled only on
// kNone.
LaunchRecordError ParseLaunchRecord(const std::string& text, LaunchRecord& record);
