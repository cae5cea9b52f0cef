// Small socket helpers of the proxy.
#pragma once

#include "outside/local/SocksAddress.h"

#include <netinet/in.h>

#include <string>

// A non-blocking TCP connection to address started (connect may still be
// in progress). -1 on immediate failure, with errno set.
int StartTcpConnect(const SocksAddress& address);

// The result of a finished non-blocking connect (0 or an errno value).
int PendingSocketError(int fd);

// Low latency for small request/response traffic.
void SetNoDelay(int fd);

// Marks the proxy's own outgoing sockets so the redirect leaves them alone
// (needs root; ignored otherwise).
void SetBypassMark(int fd);

// The destination a connection had before the redirect sent it to us, when
// it differs from the address it reached us on.
bool RedirectedDestination(int fd, sockaddr_in& original);

// IPv4 listening / datagram sockets on 127.0.0.1 (port 0: any free port).
int ListenTcpLoopback(int port);
int BindUdpLoopback();

// A UDP socket on 127.0.0.1:port receiving the datagrams the redirect
// hands over (tproxy) with their original destination (IP_TRANSPARENT and
// IP_RECVORIGDSTADDR; needs CAP_NET_ADMIN). -1 with errno set.
int ListenUdpTransparent(int port);

// A UDP socket bound to address, which need not be local (IP_TRANSPARENT,
// SO_REUSEADDR): answers sent from it come from that address. -1 with
// errno set.
int BindUdpTransparent(const sockaddr_in& address);

std::string ErrnoText(int error);
