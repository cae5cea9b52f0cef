#include "MainWnd/LineLatencyProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

using Clock = std::chrono::steady_clock;

bool ToSocketAddress(const LatencyTarget& target, sockaddr_in& address) {
  if (target.port <= 0 || target.port > 65535) return false;
  std::string text;
  for (wchar_t c : target.address) {
    if (c <= 0 || c > 0x7F) return false;
    text += static_cast<char>(c);
  }
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(target.port));
  return inet_pton(AF_INET, text.c_str(), &address.sin_addr) == 1;
}

int Milliseconds(Clock::duration elapsed) {
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
  const auto millis = (micros + 999) / 1000;
  return millis < 1 ? 1 : static_cast<int>(millis);
}

struct PendingConnect {
  int fd;
  size_t index;
};

// Connects to every target side by side, each bounded by timeout, and
// fills results with the figures. A readable wakeFd (when not -1) ends the
// round early: the result is then false and results are incomplete.
bool ConnectAll(const std::vector<LatencyTarget>& targets, std::chrono::milliseconds timeout, int wakeFd,
                std::vector<int>& results) {
  results.assign(targets.size(), ILatencySink::kUnreachable);
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + timeout;
  std::vector<PendingConnect> pending;
  for (size_t i = 0; i < targets.size(); ++i) {
    sockaddr_in address;
    if (!ToSocketAddress(targets[i], address)) continue;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      results[i] = Milliseconds(Clock::now() - start);
      close(fd);
    } else if (errno == EINPROGRESS) {
      pending.push_back(PendingConnect{fd, i});
    } else {
      close(fd);
    }
  }

  bool woken = false;
  while (!pending.empty() && !woken) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    std::vector<pollfd> polls;
    for (const PendingConnect& p : pending) polls.push_back(pollfd{p.fd, POLLOUT, 0});
    if (wakeFd >= 0) polls.push_back(pollfd{wakeFd, POLLIN, 0});
    const int ready = poll(polls.data(), polls.size(), static_cast<int>(left));
    if (ready < 0 && errno != EINTR) break;
    const Clock::time_point now = Clock::now();
    if (wakeFd >= 0 && (polls.back().revents & POLLIN) != 0) woken = true;
    std::vector<PendingConnect> still;
    for (size_t k = 0; k < pending.size(); ++k) {
      if (polls[k].revents == 0) {
        still.push_back(pending[k]);
        continue;
      }
      int error = 0;
      socklen_t length = sizeof error;
      if (getsockopt(pending[k].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
        results[pending[k].index] = Milliseconds(now - start);
      close(pending[k].fd);
    }
    pending.swap(still);
  }
  for (const PendingConnect& p : pending) close(p.fd);
  return !woken;
}

}  // namespace

int MeasureConnectTime(const LatencyTarget& target, std::chrono::milliseconds timeout) {
  std::vector<int> results;
  ConnectAll({target}, timeout, -1, results);
  return results[0];
}

std::wstring LatencyText(int milliseconds) {
  if (milliseconds == ILatencySink::kUnreachable) return L"—";
  return std::to_wstring(milliseconds) + L" ms";
}

CLineLatencyProbe::CLineLatencyProbe(std::vector<LatencyTarget> targets, ILatencySink& sink, Timing timing)
    : m_targets(std::move(targets)), m_sink(sink), m_timing(timing),
      m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CLineLatencyProbe::~CLineLatencyProbe() {
  Stop();
  if (m_wakeFd >= 0) close(m_wakeFd);
}

bool CLineLatencyProbe::Start() {
  if (m_thread.joinable()) return true;
  try {
    m_thread = std::thread(&CLineLatencyProbe::Run, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CLineLatencyProbe::Stop() {
  if (!m_thread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stopping = true;
  }
  if (m_wakeFd >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
  }
  m_wake.notify_all();
  m_thread.join();
  if (m_wakeFd >= 0) {
    uint64_t count;
    [[maybe_unused]] const ssize_t drained = read(m_wakeFd, &count, sizeof count);
  }
  std::lock_guard<std::mutex> guard(m_lock);
  m_stopping = false;
}

bool CLineLatencyProbe::IsRunning() const { return m_thread.joinable(); }

void CLineLatencyProbe::Run() {
  for (;;) {
    if (!MeasureAll()) return;
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_wake.wait_for(lock, m_timing.period, [this] { return m_stopping; })) return;
  }
}

bool CLineLatencyProbe::MeasureAll() {
  std::vector<int> results;
  if (!ConnectAll(m_targets, m_timing.timeout, m_wakeFd, results)) return false;
  for (size_t i = 0; i < results.size(); ++i) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      if (m_stopping) return false;
    }
    m_sink.LatencyMeasured(static_cast<int>(i), results[i]);
  }
  return true;
}
