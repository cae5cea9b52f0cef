// Small socket helpers of the proxy.
#pragma once

#include "outside/local/SocksAddress.h"
#include "outside/redirect/RedirectProtocol.h"

#include <netinet/in.h>

#include <string>

// A non-blocking TCP connection to address started (connect may still be
// in progress). -1 on immediate failure, with errno set.
int StartTcpConnect(const SocksAddress& address);

// The result of a finished non-blocking connect (0 or an errno value).
int PendingSocketError(int fd);

// Low latency for small request/response traffic.
void SetNoDelay(int fd);

// TCP keepalive: a peer that vanished without a word is noticed within
// about a minute and a half of silence.
void SetKeepAlive(int fd);

// Makes the coming close of fd a reset (RST) instead of an orderly end.
void ResetOnClose(int fd);

// Marks the proxy's own outgoing sockets so the redirect leaves them alone
// (needs root; ignored otherwise).
void SetBypassMark(int fd);

// The destination a connection (IPv4 or IPv6) had before the redirect
// sent it to us, when it differs from the address it reached us on.
bool RedirectedDestination(int fd, SocksAddress& original);

// A listening TCP socket on 127.0.0.1 (AF_INET) or [::1] (AF_INET6, IPv6
// only) at port (0: any free port). -1 with errno set.
int ListenTcpLoopback(int family, int port);

// A non-blocking datagram socket on a free port of the loopback address of
// family (127.0.0.1 or ::1); -1 with errno set.
int BindUdpLoopback(int family);

// A non-blocking UDP socket on the loopback address of family (127.0.0.1
// or ::1) at port, receiving the datagrams the redirect hands over
// (tproxy) with their original destination, made for us by the
// redirection service (a transparent socket needs privilege). -1 with the
// reason otherwise.
int ListenUdpTransparent(int family, int port, std::string& error);

// A non-blocking UDP socket bound to remote, which need not be local, and
// connected to the game socket, made by the redirection service: what is
// sent on it reaches the game from remote. The game's later datagrams to
// remote arrive on it too. Both of one family (IPv4 or IPv6); -1 with the
// reason otherwise.
int BindUdpTransparent(const SocksAddress& remote, const SocksAddress& game, std::string& error);
// The redirection service's words for an IPv4 or IPv6 address; false for
// a domain name.
bool ServiceEndpoint(const SocksAddress& address, RedirectEndpoint& endpoint);

std::string ErrnoText(int error);
