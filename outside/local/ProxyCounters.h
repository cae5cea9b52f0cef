// What the local proxy is carrying right now, kept by the relay code and
// read by the status interface. The proxy runs one thread, so the fields
// are plain numbers; every change bumps revision, so a reader can tell
// "nothing changed" without comparing every field.
#pragma once

#include <cstdint>

struct ProxyCounters {
  std::uint64_t tcpConnections = 0;   // relayed TCP connections open now
  std::uint64_t udpAssociations = 0;  // UDP associations with the line open now
  std::uint64_t bytesUp = 0;          // payload bytes from the games to the line
  std::uint64_t bytesDown = 0;        // payload bytes from the line to the games
  // Signs that the line is alive, whether or not a game could take what it
  // sent: logins it passed for the games' flows, datagrams from its relay.
  // Not part of the status; the line check reads it.
  std::uint64_t lineAnswers = 0;
  // The line server's last check (greeting and login): when it ended, on
  // the steady clock in milliseconds (0: not checked yet), whether it
  // passed, and its round trip in microseconds.
  std::int64_t lineCheckAtMs = 0;
  bool lineCheckPassed = false;
  std::uint32_t lineCheckMicros = 0;

  std::uint64_t revision = 0;
  void Changed() { ++revision; }
};
