#include "MainWnd/LineLatencyProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace {

using std::chrono::microseconds;
using TimePoint = IProbeClock::TimePoint;

// The SOCKS5 greeting the local proxy sends: version 5, one method,
// username/password. Any two-byte answer of version 5 is the server's.
constexpr unsigned char kGreeting[] = {0x05, 0x01, 0x02};

std::optional<sockaddr_in> SocketAddressOf(const LatencyTarget& target) {
  if (target.port <= 0 || target.port > 65535) return std::nullopt;
  std::string text;
  for (wchar_t c : target.address) {
    if (c <= 0 || c > 0x7F) return std::nullopt;
    text += static_cast<char>(c);
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(target.port));
  if (inet_pton(AF_INET, text.c_str(), &address.sin_addr) != 1) return std::nullopt;
  return address;
}

// One line's series: its probes one after another.
class LineSeries {
 public:
  LineSeries(const LatencyTarget& target, const CLineLatencyProbe::Timing& timing, TimePoint now)
      : m_address(SocketAddressOf(target)), m_timing(timing), m_startAt(now) {}
  ~LineSeries() { CloseSocket(); }
  LineSeries(const LineSeries&) = delete;
  LineSeries& operator=(const LineSeries&) = delete;

  bool Done() const { return static_cast<int>(m_samples.size()) >= m_timing.probes; }
  const std::vector<ProbeSample>& Samples() const { return m_samples; }

  // Starts the next probe when its time has come, and ends the one under
  // way when its time is up.
  void Advance(const IProbeClock& clock) {
    const TimePoint now = clock.Now();
    if (m_phase != Phase::Idle && now >= m_deadline) End(std::nullopt, now);
    if (m_phase == Phase::Idle && !Done() && now >= m_startAt) Begin(clock);
  }
  // What to wait for now (fd -1: nothing), and until when.
  pollfd Interest() const {
    const short events = m_phase == Phase::Connecting ? POLLOUT : m_phase == Phase::Greeting ? POLLIN : 0;
    return pollfd{events != 0 ? m_fd : -1, events, 0};
  }
  std::optional<TimePoint> NextTime() const {
    if (Done()) return std::nullopt;
    return m_phase == Phase::Idle ? m_startAt : m_deadline;
  }
  void OnReady(short revents, const IProbeClock& clock) {
    if (revents == 0) return;
    if (m_phase == Phase::Connecting) {
      int error = 0;
      socklen_t length = sizeof error;
      if (getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        End(std::nullopt, clock.Now());
        return;
      }
      SendGreeting(clock);
    } else if (m_phase == Phase::Greeting) {
      ReadAnswer(clock);
    }
  }

 private:
  enum class Phase { Idle, Connecting, Greeting };

  void Begin(const IProbeClock& clock) {
    const TimePoint now = clock.Now();
    m_deadline = now + m_timing.timeout;
    m_answer.clear();
    if (!m_address) {
      // Nothing to connect to: every probe of the series is lost at once.
      while (!Done()) End(std::nullopt, now);
      return;
    }
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
      End(std::nullopt, now);
      return;
    }
    if (connect(m_fd, reinterpret_cast<const sockaddr*>(&*m_address), sizeof *m_address) == 0) {
      SendGreeting(clock);
    } else if (errno == EINPROGRESS) {
      m_phase = Phase::Connecting;
    } else {
      End(std::nullopt, now);
    }
  }
  void SendGreeting(const IProbeClock& clock) {
    // The round trip starts before the greeting leaves: a server may answer
    // before send returns.
    m_sentAt = clock.Now();
    if (send(m_fd, kGreeting, sizeof kGreeting, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof kGreeting)) {
      End(std::nullopt, m_sentAt);
      return;
    }
    m_phase = Phase::Greeting;
  }
  void ReadAnswer(const IProbeClock& clock) {
    unsigned char bytes[2];
    const ssize_t n = recv(m_fd, bytes, sizeof bytes - m_answer.size(), 0);
    const TimePoint now = clock.Now();
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
      End(std::nullopt, now);  // closed or reset before the answer
      return;
    }
    m_answer.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
    if (m_answer.size() < 2) return;
    if (m_answer[0] != 0x05) {
      End(std::nullopt, now);  // not a SOCKS5 server
      return;
    }
    End(std::chrono::duration_cast<microseconds>(now - m_sentAt), now);
  }
  void End(ProbeSample sample, TimePoint now) {
    CloseSocket();
    m_phase = Phase::Idle;
    m_samples.push_back(sample);
    m_startAt = now + m_timing.spacing;
  }
  void CloseSocket() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
  }

  const std::optional<sockaddr_in> m_address;
  const CLineLatencyProbe::Timing m_timing;
  Phase m_phase = Phase::Idle;
  int m_fd = -1;
  TimePoint m_startAt;
  TimePoint m_deadline;
  TimePoint m_sentAt;
  std::string m_answer;
  std::vector<ProbeSample> m_samples;
};

// One round over every target, the lines side by side. Each line's
// figures go to report as soon as its series is complete; report returns
// false to end the round. A readable wakeFd (when not -1) ends it too.
// False when the round did not complete.
bool ProbeRound(const std::vector<LatencyTarget>& targets, const CLineLatencyProbe::Timing& timing,
                const IProbeClock& clock, int wakeFd, const std::function<bool(int, const LineQuality&)>& report) {
  std::vector<std::unique_ptr<LineSeries>> lines;
  const TimePoint start = clock.Now();
  for (const LatencyTarget& target : targets) lines.push_back(std::make_unique<LineSeries>(target, timing, start));
  std::vector<bool> reported(lines.size(), false);
  for (;;) {
    std::vector<pollfd> polls;
    std::optional<TimePoint> next;
    bool pending = false;
    for (size_t i = 0; i < lines.size(); ++i) {
      LineSeries& line = *lines[i];
      line.Advance(clock);
      if (line.Done()) {
        if (!reported[i]) {
          reported[i] = true;
          if (!report(static_cast<int>(i), ComputeLineQuality(line.Samples()))) return false;
        }
      } else {
        pending = true;
      }
      polls.push_back(line.Interest());
      if (const std::optional<TimePoint> at = line.NextTime()) next = next ? std::min(*next, *at) : *at;
    }
    if (!pending) return true;
    // A probe that starts or times out right now needs no wait.
    const TimePoint now = clock.Now();
    long waitMs = 0;
    if (next && *next > now) waitMs = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    if (wakeFd >= 0) polls.push_back(pollfd{wakeFd, POLLIN, 0});
    const int ready = poll(polls.data(), polls.size(), static_cast<int>(std::min(waitMs, 60000L)));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    if (wakeFd >= 0 && (polls.back().revents & POLLIN) != 0) return false;
    for (size_t i = 0; i < lines.size(); ++i) lines[i]->OnReady(polls[i].revents, clock);
  }
}

}  // namespace

CLineLatencyProbe::CLineLatencyProbe(std::vector<LatencyTarget> targets, ILineQualitySink& sink, Timing timing,
                                     const IProbeClock* clock)
    : m_targets(std::move(targets)), m_sink(sink), m_timing(timing), m_clock(clock != nullptr ? *clock : m_steady),
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
  auto report = [this](int index, const LineQuality& quality) {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      if (m_stopping) return false;
    }
    m_sink.QualityMeasured(index, quality);
    return true;
  };
  for (;;) {
    if (!ProbeRound(m_targets, m_timing, m_clock, m_wakeFd, report)) return;
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_wake.wait_for(lock, m_timing.period, [this] { return m_stopping; })) return;
  }
}

std::vector<LineQuality> CLineLatencyProbe::MeasureRound(const std::vector<LatencyTarget>& targets,
                                                         const Timing& timing, const IProbeClock& clock) {
  std::vector<LineQuality> figures(targets.size());
  ProbeRound(targets, timing, clock, -1, [&figures](int index, const LineQuality& quality) {
    figures[static_cast<size_t>(index)] = quality;
    return true;
  });
  return figures;
}
