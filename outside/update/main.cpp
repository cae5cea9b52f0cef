// update.exe REQUEST
//
// The update program. The front end copies it into the "update" folder of
// its program directory and starts it with the update request as its one
// argument, then ends. It downloads the release, checks its MD5 digest,
// replaces the front end's executable (named by "exe_name") in the program
// directory, the parent of its own folder, and starts it again. A
// malformed request or a digest mismatch changes nothing; whenever the
// update cannot be completed the old program is started again (as the front
// end is always started: without arguments), so the user is never left
// with nothing running. Everything is reported in "update.log" beside this
// program.
#include "outside/update/ReleaseInstall.h"
#include "outside/update/UpdateRequest.h"
#include "platform/NativePath.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"

#include <filesystem>
#include <string>

namespace {

void Log(int line, const std::string& text) { g_logFile.WriteText(__FILE__, line, Utf8ToWide(text)); }

// Starts the unchanged program again after a failed update; nothing when
// the request named no program.
void RestartOldProgram(const std::string& programDirectory, const std::string& exeName) {
  if (exeName.empty()) {
    Log(__LINE__, "the request names no program to start again");
    return;
  }
  std::string error;
  const std::string target = programDirectory + "/" + exeName;
  if (StartProgram(target, error)) {
    Log(__LINE__, "started the old " + target + " again");
  } else {
    Log(__LINE__, error);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv[0], ec);
  std::filesystem::path ownDirectory = self.parent_path();
  std::string programDirectory = ownDirectory.parent_path().string();
  g_logFile.SetLogFile(FromNativePath((ownDirectory / "update.log").string()), 1024);

  if (argc != 2) {
    Log(__LINE__, "malformed request: expected exactly one argument, got " + std::to_string(argc - 1));
    return 2;
  }
  UpdateRequest request;
  std::string error;
  if (!ParseUpdateRequest(argv[1], request, error)) {
    Log(__LINE__, "malformed request: " + error);
    RestartOldProgram(programDirectory, request.exeName);
    return 2;
  }
  Log(__LINE__, "updating " + request.exeName + " " + request.version + " from " + request.updateUrl);
  if (!InstallRelease(request, programDirectory, error)) {
    Log(__LINE__, "update failed, nothing changed: " + error);
    RestartOldProgram(programDirectory, request.exeName);
    return 1;
  }
  std::string target = programDirectory + "/" + request.exeName;
  Log(__LINE__, "replaced " + target);
  if (!StartProgram(target, error)) {
    Log(__LINE__, error);
    return 1;
  }
  Log(__LINE__, "started " + target);
  return 0;
}
