// The exit signals: taken by the watcher thread, never by a handler, and
// handed on as an ordinary request (or WM_QUIT before there is a target).
#include "MainWnd/ExitSignals.h"
#include "platform/window/User32.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(ExitSignals, EachSignalReachesTheTargetOnceAndTheProcessLives) {
  CExitSignals signals;
  std::atomic<int> requests{0};
  signals.SetTarget([&requests] { ++requests; });
  int expected = 0;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    ASSERT_EQ(kill(getpid(), signal), 0);
    ++expected;
    EXPECT_TRUE(WaitFor([&] { return requests.load() == expected; })) << signal;
  }
  EXPECT_EQ(signals.Received(), 3);
}

TEST(ExitSignals, ASignalTakenByAThreadThatDoesNotBlockItStillReachesTheWatcher) {
  // A library's thread started before the signals were blocked.
  std::atomic<bool> done{false};
  std::thread early([&done] {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  {
    CExitSignals signals;
    std::atomic<int> requests{0};
    signals.SetTarget([&requests] { ++requests; });
    ASSERT_EQ(pthread_kill(early.native_handle(), SIGTERM), 0);
    EXPECT_TRUE(WaitFor([&] { return requests.load() == 1; })) << "the process lives and the watcher heard it";
    EXPECT_EQ(signals.Received(), 1);
  }
  done = true;
  early.join();
}

TEST(ExitSignals, WithoutATargetTheConstructingThreadGetsWMQuit) {
  CExitSignals signals;
  ASSERT_EQ(kill(getpid(), SIGTERM), 0);
  ASSERT_TRUE(WaitFor([&] { return signals.Received() == 1; }));
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message == WM_QUIT) quit = true;
  EXPECT_TRUE(quit);
}

TEST(ExitSignals, AnEndedWatcherLeavesLaterSignalsPendingNotFatal) {
  { CExitSignals signals; }
  // Still blocked: the process is not ended by it.
  ASSERT_EQ(kill(getpid(), SIGHUP), 0);
  sigset_t pending;
  sigpending(&pending);
  EXPECT_TRUE(sigismember(&pending, SIGHUP));
  // Take it away again so that later tests start clean.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGHUP);
  int taken = 0;
  sigwait(&set, &taken);
  EXPECT_EQ(taken, SIGHUP);
}

}  // namespace
