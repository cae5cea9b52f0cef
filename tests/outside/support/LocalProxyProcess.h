// "local.exe" from the program directory, started with an encoded launch
// record for a test or benchmark.
#pragma once

#include "outside/launchrecord/LaunchRecord.h"
#include "tests/outside/support/ChildProcess.h"

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// The program directory of the build (BRISGOL_PROGRAM_DIR, else the one
// this build puts its programs in).
std::string ProgramDir();

// A record for the line server at 127.0.0.1:linePort and the local main
// port, with the fixed user number and password.
LaunchRecord TestLaunchRecord(int linePort, int mainPort);

class LocalProxyProcess {
 public:
  // Starts local.exe with the encoded record; output (stdout and stderr)
  // goes to outputPath. Waits until its port accepts (when waitReady).
  bool Start(const LaunchRecord& record, const std::string& outputPath, bool waitReady = true);
  // The same as the ordinary user uid (group the same number), as the
  // player runs it; a test that is not root runs it as itself.
  bool StartAsUser(uid_t uid, const LaunchRecord& record, const std::string& outputPath, bool waitReady = true);
  // The words that run local.exe with record as uid (see StartAsUser).
  static std::vector<std::string> CommandAsUser(uid_t uid, const LaunchRecord& record);
  // Starts it with a raw command-line argument.
  bool StartRaw(const std::string& argument, const std::string& outputPath);
  // Runs the next starts with XDG_RUNTIME_DIR set to directory (a folder
  // of the test's own), where the status interface then opens.
  void UseRuntimeDirectory(const std::string& directory) { runtimeDirectory_ = directory; }
  // Waits until the status interface's socket is in the runtime directory:
  // the proxy's last step of starting, after its line check, listeners and
  // the redirected UDP. Only after UseRuntimeDirectory.
  bool WaitUntilStarted(std::chrono::milliseconds limit);
  ChildProcess& process() { return process_; }

 private:
  ChildProcess process_;
  std::string runtimeDirectory_;
};
