#include "outside/local/Relay.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr std::size_t kChunk = 64 * 1024;
// Reads per readiness event, so that one busy connection cannot starve the
// others.
constexpr int kReadsPerEvent = 4;

// Writes as much of out as the socket takes. False on a socket error.
bool WriteQueued(RelayEnd& end) {
  while (!end.out.empty()) {
    const ssize_t sent = send(end.fd, end.out.data(), end.out.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      end.out.Consume(static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

bool FlushEnd(RelayEnd& end, const RelayEnd& peer) {
  if (!WriteQueued(end)) return false;
  if (end.out.empty() && peer.readClosed && !end.writeShut) {
    shutdown(end.fd, SHUT_WR);
    end.writeShut = true;
  }
  return true;
}

bool PumpBytes(RelayEnd& from, RelayEnd& to, std::uint64_t& carried) {
  static thread_local std::uint8_t chunk[kChunk];
  for (int i = 0; i < kReadsPerEvent && !from.readClosed && to.out.size() < kRelayBacklogLimit; ++i) {
    const ssize_t got = recv(from.fd, chunk, sizeof chunk, 0);
    if (got > 0) {
      carried += static_cast<std::uint64_t>(got);
      std::size_t written = 0;
      if (to.out.empty()) {
        // The usual case: straight through without queueing.
        const ssize_t sent = send(to.fd, chunk, static_cast<std::size_t>(got), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
        if (sent > 0) written = static_cast<std::size_t>(sent);
      }
      to.out.Append(chunk + written, static_cast<std::size_t>(got) - written);
      if (!WriteQueued(to)) return false;
      if (static_cast<std::size_t>(got) < sizeof chunk) break;
    } else if (got == 0) {
      from.readClosed = true;
    } else if (errno == EINTR) {
      continue;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      break;
    } else {
      return false;
    }
  }
  return FlushEnd(to, from);
}

std::uint32_t RelayInterest(const RelayEnd& end, const RelayEnd& peer) {
  std::uint32_t events = 0;
  if (!end.readClosed && peer.out.size() < kRelayBacklogLimit) events |= EPOLLIN;
  if (!end.out.empty()) events |= EPOLLOUT;
  return events;
}

bool RelayFinished(const RelayEnd& a, const RelayEnd& b) {
  return a.readClosed && b.readClosed && a.out.empty() && b.out.empty();
}
