#include "MainWnd/ExitSignals.h"

#include "platform/Threads.h"
#include "platform/window/User32.h"
#include "system/WriteLogFile.h"

#include <pthread.h>
#include <signal.h>

namespace {

sigset_t ExitSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

CExitSignals::CExitSignals() : m_uiThread(GetCurrentThreadId()) {
  // The thread's message queue must exist before a WM_QUIT can be posted
  // to it; peeking makes it.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  sigset_t set = ExitSignalSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  m_watcher = std::thread([this] { Watch(); });
}

CExitSignals::~CExitSignals() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_stopping = true;
  }
  // The watcher takes this signal like any other and sees the stop.
  pthread_kill(m_watcher.native_handle(), SIGHUP);
  m_watcher.join();
}

void CExitSignals::SetTarget(Target target) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_target = std::move(target);
}

int CExitSignals::Received() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_received;
}

void CExitSignals::Watch() {
  const sigset_t set = ExitSignalSet();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) continue;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_stopping) return;
    ++m_received;
    g_logFile.WriteFormat(__FILE__, __LINE__, L"收到结束信号 %d，程序退出", signal);
    if (m_target)
      m_target();
    else
      PostThreadMessageW(m_uiThread, WM_QUIT, 0, 0);
  }
}
