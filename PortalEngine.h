// CPortalEngine: the portal's browser engine, the module "brisgol-webkit.so"
// beside the program. Loading it maps and relocates WebKitGTK's libraries,
// the largest part of the program's code, and blocks the thread that does
// it (and every thread that starts a thread meanwhile): the main window
// therefore has it prepared once its first paint is on screen, never during
// start-up. The module stays loaded for the life of the process (its
// libraries keep threads of their own).
//
// Display thread only (the GTK backend is installed).
#pragma once

#include "MainWnd/MainWndSeams.h"
#include "platform/browser/BrowserEngineModule.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CPortalEngine : public IPortalEngine {
 public:
  // modulePath: the module's native path; certificateFile: the portal's
  // certificate (PEM), trusted for host only.
  CPortalEngine(std::string modulePath, std::string certificateFile, std::string host);
  // Revokes the registration; a preparation still waiting never calls.
  ~CPortalEngine() override;
  CPortalEngine(const CPortalEngine&) = delete;
  CPortalEngine& operator=(const CPortalEngine&) = delete;

  // Waits (in the display's event loop) until the display has drawn a
  // frame since the call, at most 2 s, then loads and registers the engine.
  void Prepare(std::function<void(bool registered)> ready) override;

 private:
  static int OnTick(void* self);
  // Loads the module and has it register its engine; false when nothing
  // was registered (logged).
  bool Load();

  const std::string modulePath_;
  const std::string certificateFile_;
  const std::string host_;
  std::function<void(bool)> ready_;
  std::uint64_t framesBefore_ = 0;
  unsigned waitedMs_ = 0;
  unsigned source_ = 0;
  std::unique_ptr<IBrowserEngineClass> engine_;
};
