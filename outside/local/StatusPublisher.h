// The local proxy's status interface: a Unix stream socket that tells the
// proxy's own user (and nobody else, by the peer's credentials) what the
// proxy carries. Each client gets one line (StatusLine.h) when it
// connects and then one whenever the counters changed, at most once a
// second; nothing is sent, and no client is woken, while they stay the
// same. A client that does not read is sent only the newest state once
// it reads again; one that falls too far behind is dropped.
#pragma once

#include "outside/local/EventLoop.h"
#include "outside/local/ProxyCounters.h"
#include "outside/local/StatusLine.h"

#include <sys/types.h>

#include <map>
#include <string>

// What the status tells of the proxy itself besides its counters.
struct StatusIdentity {
  std::string server;  // the line server's IPv4 address
  int serverPort = 0;
  int mainPort = 0;
};

class StatusPublisher : private EventHandler {
 public:
  static constexpr std::size_t kMaxClients = 16;

  StatusPublisher(EventLoop& loop, const ProxyCounters& counters, StatusIdentity identity);
  // Closes every connection and removes the socket (when it is still ours).
  ~StatusPublisher();
  StatusPublisher(const StatusPublisher&) = delete;
  StatusPublisher& operator=(const StatusPublisher&) = delete;

  // Listens at path, replacing a socket left there by an earlier proxy.
  // False with the reason in error.
  bool Open(const std::string& path, std::string& error);
  // Prepares the user's status folder (StatusSocketPath.h) and listens in
  // it.
  bool OpenForUser(std::string& error);

  std::size_t ClientCount() const { return m_clients.size(); }

 private:
  struct Client {
    std::string pending;         // bytes of a line not yet taken by the client
    bool stale = false;          // a newer state waits for pending to drain
    std::uint64_t revision = 0;  // of the counters last queued
  };

  void OnEvent(int fd, std::uint32_t events) override;
  void Accept();
  void OnTimer();
  void OnClient(int fd, std::uint32_t events);
  void Queue(int fd, Client& client);
  void Flush(int fd, Client& client);
  void Drop(int fd);
  void ArmTimer(bool on);
  ProxyStatus Snapshot() const;

  EventLoop& m_loop;
  const ProxyCounters& m_counters;
  const StatusIdentity m_identity;
  int m_listenFd = -1;
  int m_timerFd = -1;
  bool m_timerArmed = false;
  std::string m_path;
  dev_t m_socketDevice = 0;
  ino_t m_socketInode = 0;
  std::map<int, Client> m_clients;
};
