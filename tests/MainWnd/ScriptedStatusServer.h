// Test support: a stand-in for the local proxy's status interface at a
// path of the test's own. Every client gets the latest report when it
// connects; Send gives every client a new one; End closes everything as a
// proxy that ends does.
#pragma once

#include "outside/local/StatusLine.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedStatusServer {
 public:
  ScriptedStatusServer(std::string path, const ProxyStatus& first);
  ~ScriptedStatusServer();
  ScriptedStatusServer(const ScriptedStatusServer&) = delete;
  ScriptedStatusServer& operator=(const ScriptedStatusServer&) = delete;

  bool listening() const { return m_listenFd >= 0; }
  void Send(const ProxyStatus& status);
  // Sends raw text (for what is not a report).
  void SendText(const std::string& text);
  void End();
  // Clients connected now; connections accepted so far.
  int Clients();
  int Accepted() const { return m_accepted; }

 private:
  void Run();

  const std::string m_path;
  int m_listenFd = -1;
  std::mutex m_lock;
  std::string m_latest;
  std::vector<int> m_clients;
  std::atomic<int> m_accepted{0};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
