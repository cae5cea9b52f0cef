// The users' cgroups (CoveredCgroup.h) in a cgroup v2 hierarchy, made and
// removed by the service (root), so that a user can neither move other
// processes in nor their own out.
#pragma once

#include "outside/redirect/RedirectMachine.h"

#include <string>

class CgroupTree final : public ICoveredCgroups {
 public:
  // root: where this process sees the hierarchy's root; empty when there
  // is none (every change then fails).
  explicit CgroupTree(std::string root) : root_(std::move(root)) {}

  bool Create(uid_t uid, bool& created, std::string& error) override;
  bool Move(uid_t uid, long pid, std::string& error) override;
  bool Populated(uid_t uid) override;
  bool Remove(uid_t uid) override;
  std::vector<uid_t> Existing() override;

 private:
  std::string Directory(uid_t uid) const;

  std::string root_;
};

// True when cgroup.events text says a process is in the cgroup or below.
bool EventsSayPopulated(const std::string& events);
