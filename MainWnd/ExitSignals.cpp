#include "MainWnd/ExitSignals.h"

#include "platform/Threads.h"
#include "platform/window/User32.h"
#include "system/WriteLogFile.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>

namespace {

// The watcher thread while it runs, else 0. A signal handler reaches
// nothing but this.
std::atomic<pthread_t> g_signalWatcher{0};

// Threads that libraries start before the signals are blocked (the
// JavaScript engine of the portal's browser starts one as it is loaded)
// take the signals too: there the handler hands the signal to the watcher
// instead of the default action ending the process on the spot. Once the
// watcher is gone such a signal is dropped.
void HandToWatcher(int signal) {
  const pthread_t watcher = g_signalWatcher.load();
  if (watcher != 0) pthread_kill(watcher, signal);
}

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
  g_signalWatcher = m_watcher.native_handle();
  struct sigaction action {};
  action.sa_handler = &HandToWatcher;
  action.sa_flags = SA_RESTART;
  sigfillset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

CExitSignals::~CExitSignals() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_stopping = true;
  }
  g_signalWatcher = 0;
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
