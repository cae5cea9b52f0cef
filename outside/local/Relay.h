// Carrying bytes both ways between two connected sockets, with
// back-pressure (a side is not read while its peer has too much waiting)
// and half-close (an end of stream from one side becomes a shutdown of the
// writing direction towards the other once its bytes are out).
#pragma once

#include "outside/local/ByteQueue.h"

#include <cstdint>

struct RelayEnd {
  int fd = -1;
  ByteQueue out;            // bytes waiting to be written to fd
  bool readClosed = false;  // fd reached end of stream
  bool writeShut = false;   // we shut down writing to fd
};

// Bytes waiting for one side beyond which its peer is not read.
inline constexpr std::size_t kRelayBacklogLimit = 256 * 1024;

// Reads what from has (within the back-pressure limit) and writes it to
// to, adding the bytes read to carried. False when a socket failed.
bool PumpBytes(RelayEnd& from, RelayEnd& to, std::uint64_t& carried);

// Writes end's waiting bytes; shuts down writing to end when they are out
// and peer has ended. False when the socket failed.
bool FlushEnd(RelayEnd& end, const RelayEnd& peer);

// The epoll interest of end while relaying.
std::uint32_t RelayInterest(const RelayEnd& end, const RelayEnd& peer);

// Both directions ended and everything written.
bool RelayFinished(const RelayEnd& a, const RelayEnd& b);
