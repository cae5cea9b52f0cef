// A blocking SOCKS5 client (no authentication) for talking to the local
// proxy in tests, with receive timeouts so that nothing hangs.
#pragma once

#include <netinet/in.h>

#include <string>

// A TCP connection to 127.0.0.1:port, -1 on failure. Receives time out
// after timeoutMs.
int ConnectLoopback(int port, int timeoutMs = 5000);

// Greeting and CONNECT to ip:targetPort through the proxy at proxyPort.
// Returns the connected socket, or -1 with reply set to the proxy's reply
// code (-1 when there was no reply at all).
int SocksConnect(int proxyPort, const std::string& ip, int targetPort, int& reply);

// Greeting and UDP ASSOCIATE. Returns the control connection (keep it
// open) and the relay address to send datagrams to, or -1 with reply set.
int SocksUdpAssociate(int proxyPort, sockaddr_in& relay, int& reply);

// The SOCKS5 UDP header for an IPv4 destination, followed by payload.
std::string UdpDatagram(const std::string& ip, int port, const std::string& payload);

// Sends all of data; reads exactly size bytes. False on failure/timeout.
bool SendAll(int fd, const std::string& data);
bool ReceiveExactly(int fd, std::size_t size, std::string& data);
