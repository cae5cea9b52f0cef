// Socket addresses the tests write as text: "198.18.0.1" or "2001:db8::1".
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

// ip (IPv4 or IPv6 text) at port; length, when given, gets its size.
sockaddr_storage TestSocketAddress(const std::string& ip, int port, socklen_t* length = nullptr);
