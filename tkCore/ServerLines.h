// The three server lines the user chooses between, and the fixed values of
// the local proxy's launch record.
#pragma once

#include <string>

struct ServerLine {
  std::wstring address;  // dotted-decimal IPv4, empty for an unknown line
  int port = 0;
};

// Lines 1..3 come from the build settings; any other number yields an
// empty address and port 0.
ServerLine GetServerLine(int line);

// The password the local proxy presents to the line servers.
inline constexpr char kLinePassword[] = "WsxRfvYhn738#!&";
// The deployment's fixed number, the local proxy's user name there.
inline constexpr unsigned long kLaunchFixedNumber = 5190467;

// The eight "|"-separated fields for the local proxy.
std::string BuildLaunchRecord(const ServerLine& line, int mainPort, long processId);
