// A SOCKS5 line server inside the test process, on 127.0.0.1, whose
// answers the test chooses: the login accepted or not, UDP ASSOCIATE and
// IPv6 destinations refused, a CONNECT answered with a failure code, a
// line that closes every connection at once or goes silent (mid-transfer
// too), or one that ends its side of a relayed connection at once and
// reads nothing until the test lets it. A CONNECT it accepts is relayed to
// the target, which must be on loopback (anything else is refused with
// "not allowed"), or reset on the client's word. It checks the user and password of LineServer.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class ScriptedLineServer {
 public:
  struct Script {
    bool acceptLogin = true;
    bool closeAtOnce = false;        // every new connection closed unanswered
    bool silent = false;             // nothing answered, nothing relayed
    std::uint8_t udpReply = 0;       // to UDP ASSOCIATE
    std::uint8_t ipv6Reply = 0;      // to a CONNECT naming an IPv6 address
    int ownLoopbackReply = -1;       // to a CONNECT naming [::1]; -1: as ipv6Reply
    std::uint8_t connectReply = 0;   // to a CONNECT naming an IPv4 address
    bool endAndHoldRelays = false;   // relayed: EOF to the client at once, nothing read until Release
    bool resetOnWord = false;        // relayed: "RESET" from the client is answered with a reset
  };

  // What it has seen so far.
  struct Seen {
    int logins = 0;                 // accepted logins
    int udpRequests = 0;
    int connects = 0;               // CONNECT requests of any address type
    int ipv6Connects = 0;
    std::vector<int> relayPeerPorts;  // the proxy's ports of accepted CONNECTs
    std::uint64_t heldBytes = 0;    // read from held relays after Release
    int heldEnded = 0;              // held relays that reached their end
    int resetsFromClients = 0;      // relayed connections the proxy reset
  };

  ScriptedLineServer();
  ~ScriptedLineServer();
  ScriptedLineServer(const ScriptedLineServer&) = delete;
  ScriptedLineServer& operator=(const ScriptedLineServer&) = delete;

  int port() const { return port_; }
  void SetScript(const Script& script);
  Seen seen();
  // Held relays start reading (to the end of their stream).
  void Release();
  // Closes the listener and every connection; nothing answers afterwards.
  void Stop();

 private:
  void AcceptLoop();
  void Serve(int fd);
  void Relay(int client, int target, const Script& plan);
  Script script();
  bool stopping() const { return stopping_.load(); }

  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> released_{false};
  std::mutex mutex_;
  Script script_;
  Seen seen_;
  std::set<int> open_;
  std::vector<std::thread> threads_;
  std::thread acceptThread_;
};
