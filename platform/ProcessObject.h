// Internal: the kernel objects behind process handles and pipe ends.
#pragma once

#include "platform/Kernel.h"
#include "platform/WaitableState.h"

#include <sys/types.h>

#include <memory>

// What the layer knows of a child it started: a reaper thread waits for it
// and records how it ended, so a child never lingers as a zombie.
struct ChildState {
  WaitableState state;
  bool ended = false;
  DWORD exitCode = 0;
  bool terminated = false;  // TerminateProcess asked for terminatedCode
  DWORD terminatedCode = 0;
};

class ProcessObject final : public KernelObject {
 public:
  ProcessObject(pid_t pid, std::shared_ptr<ChildState> child) : pid_(pid), child_(std::move(child)) {}
  DWORD Wait(DWORD milliseconds) override;
  pid_t pid() const { return pid_; }
  const std::shared_ptr<ChildState>& child() const { return child_; }

 private:
  pid_t pid_;
  std::shared_ptr<ChildState> child_;  // null for processes the layer did not start
};

class PipeObject final : public KernelObject {
 public:
  explicit PipeObject(int fd) : fd_(fd) {}
  ~PipeObject() override;
  int fd() const { return fd_; }

 private:
  int fd_;
};
