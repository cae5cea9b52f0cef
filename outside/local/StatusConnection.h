// The reading side of the local proxy's status interface: the connection
// (only to a socket of the same user) and the lines that arrive on it.
#pragma once

#include "outside/local/StatusLine.h"

#include <sys/types.h>

#include <chrono>
#include <string>

// Connects to the status socket at path and checks that the proxy behind
// it runs as uid (the peer's credentials). The descriptor (non-blocking,
// close-on-exec), or -1 with the reason in error. Never waits: a proxy
// whose queue of connections is full counts as not answering.
int ConnectStatusSocket(const std::string& path, uid_t uid, std::string& error);

// Gathers what the socket delivers into lines.
class StatusLineBuffer {
 public:
  // False when a line grows beyond kMaxStatusLineBytes: the stream is not
  // the status interface's.
  bool Append(const char* data, std::size_t length);
  // The next complete line, without its "\n".
  bool NextLine(std::string& line);

 private:
  std::string m_pending;
};

// The first report of the proxy at path (run as uid), waiting at most
// timeout for it. False with the reason in error.
bool ReadStatusOnce(const std::string& path, uid_t uid, std::chrono::milliseconds timeout, ProxyStatus& status,
                    std::string& error);
