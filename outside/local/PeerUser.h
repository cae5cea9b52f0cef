// Who owns the other end of a TCP connection made on this machine, as
// /proc/net/tcp and tcp6 list it: the peer's socket is the one whose local
// and remote ends are ours the other way round, and its owner is the uid
// column.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <string>

// An endpoint as the listings write it: the address as the kernel's 32-bit
// words in hex ("0100007F" for 127.0.0.1), a colon, the port in hex.
std::string ListedEndpoint(const sockaddr_storage& address);

// The owner of the socket listed with local and remote in listing (the
// text of one of the files); false when none is.
bool ListedOwner(const std::string& listing, const std::string& local, const std::string& remote, uid_t& owner);

// The owner of the socket at the far end of the connected fd; false when
// it is not listed (not on this machine, or gone already).
bool PeerSocketOwner(int fd, uid_t& owner);
