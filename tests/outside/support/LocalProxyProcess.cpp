#include "tests/outside/support/LocalProxyProcess.h"

#include "outside/launchrecord/LaunchRecordCodec.h"
#include "tests/outside/support/LineServer.h"

#include <unistd.h>

#include <cstdlib>
#include <thread>

std::string ProgramDir() {
  const char* dir = std::getenv("BRISGOL_PROGRAM_DIR");
  return dir == nullptr ? std::string(OUTSIDE_PROGRAM_DIR) : std::string(dir);
}

LaunchRecord TestLaunchRecord(int linePort, int mainPort) {
  LaunchRecord record;
  record.serverAddress = "127.0.0.1";
  record.serverPort = linePort;
  record.password = kLinePassword;
  record.mainPort = mainPort;
  record.frontEndPid = getpid();
  record.fixedNumber = 5190467;
  record.mode = "0";
  return record;
}

bool LocalProxyProcess::StartRaw(const std::string& argument, const std::string& outputPath) {
  std::vector<std::string> words;
  if (!runtimeDirectory_.empty()) words = {"env", "XDG_RUNTIME_DIR=" + runtimeDirectory_};
  words.push_back(ProgramDir() + "/local.exe");
  words.push_back(argument);
  return process_.Start(words, outputPath);
}

bool LocalProxyProcess::WaitUntilStarted(std::chrono::milliseconds limit) {
  if (runtimeDirectory_.empty()) return false;
  // The socket appears when it is bound, after the interface's other
  // descriptors were made.
  const std::string socketPath = runtimeDirectory_ + "/brisgol/local.sock";
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (access(socketPath.c_str(), F_OK) == 0) return true;
    if (!process_.running() || std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool LocalProxyProcess::Start(const LaunchRecord& record, const std::string& outputPath, bool waitReady) {
  if (!StartRaw(EncodeLaunchRecord(FormatLaunchRecord(record)), outputPath)) return false;
  return !waitReady || WaitForTcpPort(record.mainPort, std::chrono::seconds(5));
}

std::vector<std::string> LocalProxyProcess::CommandAsUser(uid_t uid, const LaunchRecord& record) {
  std::vector<std::string> words;
  if (geteuid() == 0) {
    words = {"setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(uid), "--clear-groups"};
  }
  words.push_back(ProgramDir() + "/local.exe");
  words.push_back(EncodeLaunchRecord(FormatLaunchRecord(record)));
  return words;
}

bool LocalProxyProcess::StartAsUser(uid_t uid, const LaunchRecord& record, const std::string& outputPath,
                                    bool waitReady) {
  if (!process_.Start(CommandAsUser(uid, record), outputPath)) return false;
  return !waitReady || WaitForTcpPort(record.mainPort, std::chrono::seconds(5));
}
