// Building block of the waitable kernel objects: a predicate guarded by a
// mutex, with waits bounded in milliseconds (INFINITE waits for ever).
#pragma once

#include "platform/Types.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

class WaitableState {
 public:
  // Waits until ready() holds (under the lock), then runs take() under the
  // lock. Returns WAIT_OBJECT_0 or WAIT_TIMEOUT.
  template <class Ready, class Take>
  DWORD WaitUntil(DWORD milliseconds, Ready ready, Take take) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (milliseconds == INFINITE) {
      changed_.wait(lock, ready);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) {
      return WAIT_TIMEOUT;
    }
    take();
    return WAIT_OBJECT_0;
  }

  // Runs read() under the lock and returns its result.
  template <class Read>
  auto Inspect(Read read) {
    std::lock_guard<std::mutex> lock(mutex_);
    return read();
  }

  // Changes the state under the lock and wakes the waiters.
  template <class Change>
  void Update(Change change) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      change();
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};
