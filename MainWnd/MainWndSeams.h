// What the main window is handed by whoever creates it: how it shows its
// notices and questions, how it reaches the acceleration core, which
// layout it builds and where its configuration comes from. Start-up hands
// in the real ones; tests hand in their own.
#pragma once

#include "MainWnd/LineLatencyProbe.h"
#include "http/HttpTransport.h"
#include "platform/window/User32.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class IDefaultBrowser;

// The program's notices and questions (the skinned message box with the
// program's title, icon flag 1 and 315 x 215 pixels).
class IMessageBoxUI {
 public:
  virtual ~IMessageBoxUI() = default;
  // type 1: one button, 2: two. Returns 1 for the first button, 2 for the
  // second, 0 when the box was closed otherwise.
  virtual int Ask(HWND owner, const std::wstring& text, int type, const wchar_t* firstText,
                  const wchar_t* secondText) = 0;
};

// The acceleration core as the main window uses it.
class IAccelerationCore {
 public:
  virtual ~IAccelerationCore() = default;
  // Obtains the core (created on first use) and stops acceleration: every
  // "local.exe" ended, every redirection rule removed.
  virtual void Stop() = 0;
  // Stops acceleration only when the core has been obtained before.
  virtual void StopIfObtained() = 0;

  // User-interface thread, before a start: stops as Stop does (which also
  // ends every start requested earlier, however far it got) and returns
  // the ticket of the start that follows.
  virtual std::uint64_t PrepareStart() = 0;
  // A worker thread: accelerates on line 1, 2 or 3. On success calls
  // onStarted with the local proxy's process id (0 when it cannot be told)
  // and returns the empty message; otherwise returns the failure message
  // and sets resultCode. A stop after the ticket was taken ends it early
  // with a message of its own.
  virtual std::wstring Start(int line, std::uint64_t ticket, const std::function<void(DWORD)>& onStarted,
                             int& resultCode) = 0;
};

// The portal's browser engine, made ready when the main window sets up
// its portal (after its first paint). Loading it takes a while (large
// libraries), so it happens once that paint is on screen.
class IPortalEngine {
 public:
  virtual ~IPortalEngine() = default;
  // User-interface thread, once: loads the engine and registers it as the
  // WebBrowser class, then calls ready on this thread (from inside a wait
  // of its message loop) with whether it is registered. What cannot be
  // done is logged.
  virtual void Prepare(std::function<void(bool registered)> ready) = 0;
};

struct MainWndSeams {
  MainWndSeams(IMessageBoxUI& boxesUsed, std::shared_ptr<IAccelerationCore> accelerationUsed)
      : boxes(boxesUsed), acceleration(std::move(accelerationUsed)) {}

  IMessageBoxUI& boxes;
  // Shared with the acceleration workers: one that outlives the exit
  // routine's wait still holds the core it runs in.
  std::shared_ptr<IAccelerationCore> acceleration;
  // The layout: a file of the skin archive, or markup text beginning with "<".
  std::wstring layout = L"main.xml";
  // The configuration document's address; empty: no configuration thread
  // is started (logged).
  std::string configUrl;
  // Where the configuration thread's downloads get their transports; null:
  // no configuration thread is started (logged).
  std::shared_ptr<IHttpTransports> http;
  // How long the exit routine waits for the workers to end, all together.
  unsigned workerStopMs = 3000;
  // The portal's host (between "https://" and "/daohang/"); empty: the
  // build's portal host.
  std::wstring portalHost;
  // Where pop-ups of the outside whitelist go; null: the user's default
  // browser (the shell's "open").
  IDefaultBrowser* defaultBrowser = nullptr;
  // The line servers whose quality the line options show, lines 1..3 in
  // order; empty: no figures are measured.
  std::vector<LatencyTarget> lineTargets;
  CLineLatencyProbe::Timing latencyTiming;
  // Where the probe reads its times; null: the steady clock.
  const IProbeClock* probeClock = nullptr;
  // The local proxy's status socket the status strip follows; empty: the
  // user's (outside/local/StatusSocketPath.h).
  std::string statusSocket;
  // The portal's engine, made ready before the portal is set up; null:
  // the WebBrowser class is registered already (or there is none).
  std::shared_ptr<IPortalEngine> portalEngine;
};
