// IConfigOutcome: what the configuration thread needs of the main window.
// The main window implements it; every call is made on the configuration
// thread, so the window hands the outcomes on to its user-interface thread
// through its call dispatcher.
#pragma once

#include "MainWnd/Whitelist.h"
#include "http/HttpTransport.h"
#include "http/TransferAbort.h"

class IConfigOutcome {
 public:
  virtual ~IConfigOutcome() = default;

  // The window's two lists, filled by the thread (published whole).
  virtual CWhitelist& InsideWhitelist() = 0;
  virtual CWhitelist& OutsideWhitelist() = 0;
  // The stop of the thread's downloads: raised when its outcome is no
  // longer wanted (the window's exit), it ends a download at once.
  virtual CTransferAbort& Transfers() = 0;
  // Where the thread's downloads get their transports.
  virtual IHttpTransports& Http() = 0;

  // Everything read: start acceleration on line 1.
  virtual void StartFirstLine() = 0;
  // The configuration could not be fetched, decrypted or read: show the
  // initialisation-failed notice, then exit.
  virtual void InitialisationFailed() = 0;
  // The update program runs: leave through the exit routine.
  virtual void ExitForUpdate() = 0;
  // An update is due but the update program is missing or does not start:
  // show the notice from this thread; the window stays as it is.
  virtual void UpdateComponentMissing() = 0;
};
