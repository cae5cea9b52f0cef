// The requests the redirection service's clients send over its Unix
// socket, and the answers. One system service serves every user; it tells
// its clients apart by their peer credentials (SO_PEERCRED), so a request
// never names a user.
//
// A request is one line of ASCII text, at most kMaxRequestBytes including
// the final "\n":
//
//   BRISGOL-REDIRECT 1 PING
//   BRISGOL-REDIRECT 1 ADD 127.0.0.1 <port>     redirect the caller's covered
//                                               traffic to the caller's own
//                                               listener on that port
//   BRISGOL-REDIRECT 1 WATCH <pid>              the front end's process
//   BRISGOL-REDIRECT 1 CLEAR                    remove every rule of the caller
//   BRISGOL-REDIRECT 1 JOIN <pid>               cover the caller's process
//                                               (brisgol-run: pid is its own)
//   BRISGOL-REDIRECT 1 UDP-LISTENER <loopback> <port>
//                                               the local proxy's transparent
//                                               UDP listener (loopback is
//                                               127.0.0.1 or ::1)
//   BRISGOL-REDIRECT 1 UDP-REPLY <remote> <rport> <game> <gport>
//                                               a transparent UDP socket bound
//                                               to remote:rport and connected
//                                               to the game's game:gport
//   BRISGOL-REDIRECT 1 UDP-KERNEL <game> <gport> <remote> <rport> <aport>
//                                               let the kernel carry what the
//                                               game socket game:gport sends
//                                               to remote:rport, and its
//                                               answers, through the caller's
//                                               association socket on port
//                                               aport (IPv4)
//   BRISGOL-REDIRECT 1 UDP-KERNEL-END <game> <gport> <remote> <rport>
//                                               the local proxy carries that
//                                               again
//   BRISGOL-REDIRECT 1 UDP-KERNEL-SEEN          what the kernel carried on each
//                                               of the caller's routes (see
//                                               KernelRouteSeen)
//
// Words are separated by exactly one space. The version is 1. A port is
// 1..65535 and a process id 1..4194304, in decimal without sign or leading
// zeros. Addresses are IPv4 dotted-decimal or IPv6 text; the two of a
// UDP-REPLY are of one family, those of the UDP-KERNEL requests IPv4. ADD
// only ever names 127.0.0.1: the service never sends traffic anywhere but
// to a local proxy.
//
// The answer is one line of at most kMaxAnswerBytes: "OK", "OK <details>"
// (UDP-KERNEL-SEEN) or "ERR <reason>". The answers to
// UDP-LISTENER and UDP-REPLY carry the socket they made with their "OK"
// (SCM_RIGHTS, see DescriptorPassing.h); every other answer carries none.
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMaxRequestBytes = 160;
// Room for UDP-KERNEL-SEEN's answer on the most routes a user may have.
inline constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
inline constexpr char kRequestMagic[] = "BRISGOL-REDIRECT";
inline constexpr int kRequestVersion = 1;

// An address and port of a request; address is the canonical text form
// (what inet_ntop gives), family AF_INET or AF_INET6.
struct RedirectEndpoint {
  int family = 0;
  std::string address;
  int port = 0;

  bool operator==(const RedirectEndpoint& other) const {
    return family == other.family && address == other.address && port == other.port;
  }
};

struct RedirectRequest {
  enum class Command {
    kPing,
    kAdd,
    kWatch,
    kClear,
    kJoin,
    kUdpListener,
    kUdpReply,
    kUdpKernel,
    kUdpKernelEnd,
    kUdpKernelSeen
  };
  Command command = Command::kPing;
  int port = 0;               // kAdd; kUdpKernel: the association socket's port
  long pid = 0;               // kWatch, kJoin
  RedirectEndpoint local;     // kUdpListener: the loopback address and port
  RedirectEndpoint remote;    // kUdpReply, kUdpKernel*: the game's remote end
  RedirectEndpoint game;      // kUdpReply, kUdpKernel*: the game socket

  // True for the commands whose "OK" carries a socket.
  bool AnswerCarriesSocket() const { return command == Command::kUdpListener || command == Command::kUdpReply; }
};

// The socket address of endpoint; false when its text is no address of
// its family.
bool EndpointAddress(const RedirectEndpoint& endpoint, sockaddr_storage& address, socklen_t& length);

// True with request filled when bytes are one well-formed request line;
// false with a reason otherwise (nothing is ever partly accepted).
bool ParseRedirectRequest(std::string_view bytes, RedirectRequest& request, std::string& error);

std::string FormatRedirectRequest(const RedirectRequest& request);

// What the kernel carried on one route. The details of UDP-KERNEL-SEEN's
// answer hold eight words a route, the groups one space apart:
//   <game> <gport> <remote> <rport> <datagrams out> <datagrams back>
//   <bytes out> <bytes back>
// (the counts in decimal, 0 included); none when the caller has no route.
struct KernelRouteSeen {
  RedirectEndpoint game, remote;
  std::uint64_t packetsOut = 0, packetsBack = 0, bytesOut = 0, bytesBack = 0;
};

std::string FormatKernelSeen(const std::vector<KernelRouteSeen>& routes);
// False when details are not such groups (nothing is then taken).
bool ParseKernelSeen(std::string_view details, std::vector<KernelRouteSeen>& routes);

// "OK\n", "OK <text>\n" or "ERR <text>\n" (line breaks become spaces).
std::string FormatAnswer(bool ok, const std::string& text);
// True when the answer is "OK", text holding its details ("" when none);
// false with text holding an "ERR" answer's reason.
bool ParseAnswer(std::string_view bytes, std::string& text);
