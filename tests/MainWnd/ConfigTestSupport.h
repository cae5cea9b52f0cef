// Test support for the configuration side: an IConfigOutcome that records
// what the configuration thread reported and downloads, as the program
// does, through the transfer module of the build; small file helpers.
#pragma once

#include "MainWnd/ConfigOutcome.h"
#include "http/HttpModule.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RecordingOutcome : public IConfigOutcome {
 public:
  // httpModule: the transfer module's path.
  explicit RecordingOutcome(std::string httpModule = std::string(std::getenv("BRISGOL_BUILD_DIR")) +
                                                     "/bin/brisgol-http.so")
      : http_(std::move(httpModule)) {}
  CWhitelist& InsideWhitelist() override { return inside_; }
  CWhitelist& OutsideWhitelist() override { return outside_; }
  CTransferAbort& Transfers() override { return transfers_; }
  IHttpTransports& Http() override { return http_; }
  void StartFirstLine() override { Record("start"); }
  void InitialisationFailed() override { Record("failed"); }
  void ExitForUpdate() override { Record("exit"); }
  void UpdateComponentMissing() override { Record("update-missing"); }

  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
  }

 private:
  void Record(const char* call) {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(call);
  }
  CWhitelist inside_;
  CWhitelist outside_;
  CTransferAbort transfers_;
  CHttpModule http_;
  mutable std::mutex lock_;
  std::vector<std::string> calls_;
};

// Waits up to 20 s for a file another process writes.
inline bool WaitForFile(const std::filesystem::path& path) {
  for (int i = 0; i < 400; ++i) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

inline void MakeExecutable(const std::filesystem::path& path, mode_t mode = 0755) {
  ::chmod(path.c_str(), mode);
}

// A release for the update tests: a script that leaves a marker beside
// itself when started.
inline std::string ReleaseScript(const std::string& marker) {
  return "#!/bin/sh\necho restarted > \"$(dirname \"$0\")/" + marker + "\"\n";
}
