// Who owns the other end of a TCP connection made on this machine, as
// /proc/net/tcp and tcp6 list it: the peer's socket is the one whose local
// and remote ends are ours the other way round, and its owner is the uid
// column.
#pragma once

#include "outside/redirect/ProcSockets.h"

#include <sys/socket.h>
#include <sys/types.h>

#include <vector>

// The owner of the socket among sockets (one listing's) whose local end is
// peer and whose remote end is ours; false when none is. IPv4 ends are
// also found as an IPv6 listing writes them (::ffff:a.b.c.d).
bool ListedPeerOwner(const std::vector<ProcSocket>& sockets, const sockaddr_storage& ours, const sockaddr_storage& peer,
                     uid_t& owner);

// The owner of the socket at the far end of the connected fd; false when
// it is not listed (not on this machine, or gone already).
bool PeerSocketOwner(int fd, uid_t& owner);
