#include "tkCore/ServerLines.h"

#include "BuildSettings.h"
#include "system/TextConvert.h"

#include <cstdio>

ServerLine GetServerLine(int line) {
  if (line < 1 || line > 3) return ServerLine{};
  return ServerLine{build_settings::kLineAddress[line - 1], build_settings::kLinePort[line - 1]};
}

std::string BuildLaunchRecord(const ServerLine& line, int mainPort, long processId) {
  std::string record = WideToUtf8(line.address);
  record += "|" + std::to_string(line.port);
  record += "|";
  record += kLinePassword;
  record += "|" + std::to_string(mainPort);
  record += "|" + std::to_string(processId);
  record += "|";  // field 6 is always empty
  record += "|" + std::to_string(kLaunchFixedNumber);
  record += "|0";
  return record;
}
