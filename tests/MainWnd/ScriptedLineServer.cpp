#include "tests/MainWnd/ScriptedLineServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

ScriptedLineServer::ScriptedLineServer(std::vector<LineStep> script, ManualProbeClock* clock)
    : m_script(std::move(script)), m_clock(clock), m_thread([this] { Run(); }) {}

ScriptedLineServer::~ScriptedLineServer() {
  m_stop = true;
  m_thread.join();
}

void ScriptedLineServer::Run() {
  struct Open {
    int fd;
    size_t step;
    bool done;
  };
  std::vector<Open> open;
  size_t accepted = 0;
  while (!m_stop) {
    std::vector<pollfd> polls{{m_listener.fd(), POLLIN, 0}};
    for (const Open& connection : open) polls.push_back(pollfd{connection.fd, POLLIN, 0});
    if (poll(polls.data(), polls.size(), 10) <= 0) continue;
    for (int fd; (fd = accept4(m_listener.fd(), nullptr, nullptr, SOCK_NONBLOCK)) >= 0;)
      open.push_back(Open{fd, std::min(accepted++, m_script.size() - 1), false});
    for (size_t i = 1; i < polls.size(); ++i) {
      if (polls[i].revents == 0) continue;
      Open& connection = open[i - 1];
      char bytes[16];
      const ssize_t n = recv(connection.fd, bytes, sizeof bytes, 0);
      if (n <= 0) {
        close(connection.fd);  // the probe went away
        connection.fd = -1;
        continue;
      }
      if (connection.done) continue;  // more than a greeting: ignored
      ++m_greetings;
      connection.done = true;
      const LineStep& step = m_script[connection.step];
      switch (step.kind) {
        case LineStep::Answer: {
          if (m_clock != nullptr)
            m_clock->Advance(step.delay);
          else
            std::this_thread::sleep_for(step.delay);
          const unsigned char answer[2] = {0x05, 0x02};
          send(connection.fd, answer, sizeof answer, MSG_NOSIGNAL);
          break;
        }
        case LineStep::Silent:
          if (m_clock != nullptr) m_clock->Advance(step.delay);
          break;
        case LineStep::Garbage:
          send(connection.fd, "HTTP/1.1 400", 12, MSG_NOSIGNAL);
          break;
        case LineStep::Close:
          close(connection.fd);
          connection.fd = -1;
          break;
      }
    }
    std::erase_if(open, [](const Open& connection) { return connection.fd < 0; });
  }
  for (const Open& connection : open) close(connection.fd);
}
