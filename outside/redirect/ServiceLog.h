// The service's log: time-stamped lines on a descriptor (its standard
// error: the journal under systemd, else kRedirectLogFile). A log file
// that grows past kMaxBytes is begun anew, so that no client can fill
// /run with refused requests.
#pragma once

#include <sys/types.h>

#include <string>

class ServiceLog {
 public:
  static constexpr off_t kMaxBytes = 1 << 20;

  explicit ServiceLog(int fd) : fd_(fd) {}
  void Write(const std::string& text);

 private:
  int fd_;
};
