#include "tests/outside/support/LocalProxyProcess.h"

#include "outside/launchrecord/LaunchRecordCodec.h"
#include "tests/outside/support/LineServer.h"

#include <unistd.h>

#include <cstdlib>

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
  return process_.Start({ProgramDir() + "/local.exe", argument}, outputPath);
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
