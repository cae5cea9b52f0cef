// CExitSignals: SIGTERM, SIGINT and SIGHUP (the session ending) end the
// program through its exit routine on the user-interface thread, so that a
// front end killed this way leaves no "local.exe" and no redirection rule
// behind. The signals are blocked in every thread and taken by one watcher
// thread, which hands them on as an ordinary request; nothing runs inside
// a signal handler.
//
// Construct it on the user-interface thread before any other thread
// starts (threads inherit the blocked set).
#pragma once

#include <functional>
#include <mutex>
#include <thread>

class CExitSignals {
 public:
  // What a signal asks for. Until a target is set, a signal posts WM_QUIT
  // to the constructing thread, which ends whatever loop runs there.
  using Target = std::function<void()>;

  CExitSignals();
  // Stops the watcher; the signals stay blocked.
  ~CExitSignals();
  CExitSignals(const CExitSignals&) = delete;
  CExitSignals& operator=(const CExitSignals&) = delete;

  // An empty target goes back to posting WM_QUIT.
  void SetTarget(Target target);
  // How many signals have arrived so far.
  int Received() const;

 private:
  void Watch();

  mutable std::mutex m_lock;
  Target m_target;
  unsigned m_uiThread;
  int m_received = 0;
  bool m_stopping = false;
  std::thread m_watcher;
};
