// The datagram half of a SOCKS5 UDP ASSOCIATE. The client sends its
// datagrams, each with the SOCKS5 UDP header (RSV RSV FRAG ATYP DST.ADDR
// DST.PORT DATA), to our local socket; they go unchanged to the line
// server's relay, whose answers (same header, naming the sender) go back
// unchanged to the client. Fragments (FRAG != 0) are dropped, as are
// datagrams from anyone but the client (the first sender, or the address
// the client announced) and from anyone but the relay.
#pragma once

#include "outside/local/EventLoop.h"
#include "outside/local/ProxyCounters.h"
#include "outside/local/SocksAddress.h"

#include <netinet/in.h>

#include <string>

class UdpAssociation final : public EventHandler {
 public:
  // clientHint: the address the client said it will send from (zero
  // address or port: any loopback sender). An IPv6 hint means the client
  // sends from ::1; any other, from 127.0.0.0/8.
  UdpAssociation(EventLoop& loop, ProxyCounters& counters, const SocksAddress& clientHint);
  ~UdpAssociation();
  UdpAssociation(const UdpAssociation&) = delete;
  UdpAssociation& operator=(const UdpAssociation&) = delete;

  // Opens the local socket for the client and the socket towards relay.
  bool Open(const SocksAddress& relay, std::string& error);

  // Where the client sends its datagrams.
  SocksAddress LocalAddress() const;

  void OnEvent(int fd, std::uint32_t events) override;

 private:
  void FromClient();
  void FromRelay();
  bool AcceptsClient(const sockaddr_storage& sender);

  EventLoop& loop_;
  ProxyCounters& counters_;
  bool counted_ = false;  // in counters_.udpAssociations
  SocksAddress clientHint_;
  int localFd_ = -1;
  int relayFd_ = -1;
  bool haveClient_ = false;
  sockaddr_storage client_{};
  socklen_t clientLength_ = 0;
};
