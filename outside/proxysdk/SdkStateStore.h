// The state file under the machine root and its machine-wide lock.
#pragma once

#include "outside/proxysdk/SdkState.h"

#include <string>

// The library's folder under the machine root ("proxysdk"), created on use.
std::string SdkStateDir();

// One read-modify-write of the state: the constructor takes the lock
// (flock on "proxysdk/state.lock", which serialises threads and processes
// alike) and reads the state file; Commit writes it atomically; the
// destructor releases the lock. A missing or unreadable file reads as the
// empty state.
class SdkStateTransaction {
 public:
  SdkStateTransaction();
  ~SdkStateTransaction();
  SdkStateTransaction(const SdkStateTransaction&) = delete;
  SdkStateTransaction& operator=(const SdkStateTransaction&) = delete;

  SdkState& state() { return state_; }
  bool Commit();

 private:
  int lockFd_ = -1;
  SdkState state_;
};
