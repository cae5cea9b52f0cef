// CPortalPolicy: the navigation policy of the main window's portal
// browser. The portal shows only its home page and the addresses of the
// inside whitelist; a page's request for a new window goes to the user's
// default browser when the outside whitelist matches it, and is otherwise
// loaded into the portal itself, a moment later, through the main window's
// call queue. No second browser window is ever created.
//
// The main window owns one policy and hands it what it needs through
// IPortalWindow (its queue and its Close) and IDefaultBrowser (the shell's
// "open"); it forwards its queued NavigatePortal call and the "top_btn"
// click to NavigatePortal and GoHome.
#pragma once

#include <string>

#include "MainWnd/Whitelist.h"
#include "uiframework/activex/WebBrowserUI.h"

// What the policy asks of the main window.
class IPortalWindow {
 public:
  virtual ~IPortalWindow() = default;
  // Queues the policy's NavigatePortal(pending) on the user-interface
  // thread. On false nothing was queued and the caller keeps pending. A
  // queue that drops the call later (the window is gone) frees it with
  // CPortalPolicy::DiscardPendingNavigation.
  virtual bool QueueNavigatePortal(void* pending) = 0;
  // Closes the window (posts WM_CLOSE).
  virtual void CloseWindow() = 0;
};

// Hands an address to the user's default browser.
class IDefaultBrowser {
 public:
  virtual ~IDefaultBrowser() = default;
  virtual bool Open(const std::wstring& address) = 0;
};

class CPortalPolicy : public SkinUI::CWebBrowserEventHandler {
 public:
  // portalHost: the part between "https://" and "/daohang/".
  CPortalPolicy(const std::wstring& portalHost, const CWhitelist& inside, const CWhitelist& outside,
                IPortalWindow& window, IDefaultBrowser& defaultBrowser);

  // "https://" + host + "/daohang/".
  const std::wstring& HomeAddress() const { return home_; }

  // Sets the browser up: silent, this policy as its event handler, the
  // script function "GetWebWhitelist", then the home page.
  void AttachBrowser(SkinUI::CWebBrowserUI* browser);
  // The queued call: navigates the portal to the pending address and
  // frees it (also when no browser is attached any more).
  void NavigatePortal(int ignored, void* pending);
  // Frees a pending address whose queued call will never run.
  static void DiscardPendingNavigation(void* pending);
  // "top_btn": back to the home page.
  void GoHome();

  // Handler operations.
  void BeforeNavigate2(IDispatch* frame, VARIANT*& url, VARIANT*& flags, VARIANT*& targetFrame, VARIANT*& postData,
                       VARIANT*& headers, VARIANT_BOOL*& cancel) override;
  void NewWindow3(IDispatch** newWindow, VARIANT_BOOL*& cancel, DWORD flags, BSTR urlContext, BSTR url) override;
  void WindowClosing(VARIANT_BOOL childWindow, VARIANT_BOOL* cancel) override;
  HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;

  // Whether an address may be handed to the default browser: only an
  // absolute http or https address (never a file, a local path or any
  // other scheme).
  static bool IsWebAddress(const std::wstring& address);

 private:
  std::wstring home_;
  const CWhitelist& inside_;
  const CWhitelist& outside_;
  IPortalWindow& window_;
  IDefaultBrowser& defaultBrowser_;
  SkinUI::CWebBrowserUI* browser_ = nullptr;
};
