// launchrecord: reads the launch record a running local proxy was started
// with and prints its fields, one "name=value" a line, so that scripts can
// tell which line, which port and which front end it serves.
//
//   launchrecord PID        the record on that process's command line
//   launchrecord -          the encoded record on standard input
//
// Exit code 0 when the record decodes, 1 otherwise (the reason on stderr).
#include "outside/launchrecord/LaunchRecord.h"
#include "outside/launchrecord/LaunchRecordCodec.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

// The first argument after the program on /proc/PID/cmdline.
bool RecordOfProcess(const std::string& pid, std::string& encoded) {
  std::ifstream in("/proc/" + pid + "/cmdline", std::ios::binary);
  if (!in) return false;
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t end = all.find('\0');
  if (end == std::string::npos) return false;
  const size_t argEnd = all.find('\0', end + 1);
  encoded = all.substr(end + 1, argEnd == std::string::npos ? std::string::npos : argEnd - end - 1);
  return !encoded.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: launchrecord PID | launchrecord -\n";
    return 2;
  }
  const std::string source = argv[1];
  std::string encoded;
  if (source == "-") {
    std::getline(std::cin, encoded);
  } else if (!RecordOfProcess(source, encoded)) {
    std::cerr << "launchrecord: no command line argument for process " << source << "\n";
    return 1;
  }
  LaunchRecord record;
  const LaunchRecordError error = DecodeLaunchRecord(encoded, record);
  if (error != LaunchRecordError::kNone) {
    std::cerr << "launchrecord: " << LaunchRecordErrorText(error) << "\n";
    return 1;
  }
  std::cout << "server_address=" << record.serverAddress << "\n"
            << "server_port=" << record.serverPort << "\n"
            << "main_port=" << record.mainPort << "\n"
            << "front_end_pid=" << record.frontEndPid << "\n";
  return 0;
}
