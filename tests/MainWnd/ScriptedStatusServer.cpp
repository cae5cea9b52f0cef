#include "tests/MainWnd/ScriptedStatusServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

ScriptedStatusServer::ScriptedStatusServer(std::string path, const ProxyStatus& first)
    : m_path(std::move(path)), m_latest(FormatStatusLine(first)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
  unlink(m_path.c_str());
  m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_listenFd, 8) != 0) {
    close(m_listenFd);
    m_listenFd = -1;
    return;
  }
  m_thread = std::thread([this] { Run(); });
}

ScriptedStatusServer::~ScriptedStatusServer() { End(); }

void ScriptedStatusServer::Run() {
  while (!m_stop) {
    std::vector<pollfd> polls{{m_listenFd, POLLIN, 0}};
    {
      std::lock_guard<std::mutex> hold(m_lock);
      for (int fd : m_clients) polls.push_back(pollfd{fd, POLLIN, 0});
    }
    if (poll(polls.data(), polls.size(), 10) <= 0) continue;
    std::lock_guard<std::mutex> hold(m_lock);
    if ((polls[0].revents & POLLIN) != 0) {
      for (int fd; (fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        ++m_accepted;
        send(fd, m_latest.data(), m_latest.size(), MSG_NOSIGNAL);
        m_clients.push_back(fd);
      }
    }
    for (size_t i = 1; i < polls.size(); ++i) {
      if (polls[i].revents == 0) continue;
      char bytes[64];
      if (recv(polls[i].fd, bytes, sizeof bytes, MSG_DONTWAIT) <= 0) {
        close(polls[i].fd);
        std::erase(m_clients, polls[i].fd);
      }
    }
  }
}

void ScriptedStatusServer::Send(const ProxyStatus& status) { SendText(FormatStatusLine(status)); }

void ScriptedStatusServer::SendText(const std::string& text) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_latest = text;
  for (int fd : m_clients) send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

void ScriptedStatusServer::End() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  std::lock_guard<std::mutex> hold(m_lock);
  for (int fd : m_clients) close(fd);
  m_clients.clear();
  if (m_listenFd >= 0) {
    close(m_listenFd);
    unlink(m_path.c_str());
    m_listenFd = -1;
  }
}

int ScriptedStatusServer::Clients() {
  std::lock_guard<std::mutex> hold(m_lock);
  return static_cast<int>(m_clients.size());
}
