// The user's default browser as the portal's pop-ups reach it: the shell's
// "open" of a web address (on this desktop, xdg-open with the address as
// its one argument).
#pragma once

#include "MainWnd/PortalPolicy.h"

class CShellDefaultBrowser : public IDefaultBrowser {
 public:
  // Only an absolute http or https address is handed over; anything else
  // (a file, a local path, another scheme) is refused and logged.
  bool Open(const std::wstring& address) override;
};
