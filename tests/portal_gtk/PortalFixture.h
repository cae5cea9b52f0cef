// The portal on a real X display: the WebKit engine in a skinned window,
// the navigation policy, the local portal server over TLS, and a
// recording stand-in for xdg-open on PATH.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <string>
#include <vector>

#include "MainWnd/PortalPolicy.h"
#include "tests/MainWnd/PortalCallQueue.h"
#include "platform/window/gtk/WebKitBrowser.h"
#include "platform/window/gtk/WebKitViewSource.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/portal_gtk/PortalProcesses.h"
#include "tests/uiframework_window/SkinTestWindow.h"

namespace portaltest {

using namespace SkinUI;

// Runs a script in the page (no result).
void RunScript(CWebBrowserUI* browser, const std::string& script);

// The main window's part for the policy; the shell's "open" runs xdg-open.
class PortalWindow : public skintest::SkinTestWindow, public IPortalWindow, public IDefaultBrowser {
 public:
  bool QueueNavigatePortal(void* pending) override;
  void CloseWindow() override { Close(0); }
  bool Open(const std::wstring& address) override;

  CPortalPolicy* policy = nullptr;
  PortalCallQueue queue;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The browser control, recording the dispatch ids its sink is called with.
class RecordingBrowser : public CWebBrowserUI {
 public:
  HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argError) override {
    HRESULT hr = CWebBrowserUI::Invoke(id, iid, locale, flags, params, result, exception, argError);
    if (id >= kFirstExternalId) externalCalls.push_back({id, hr});
    return hr;
  }
  std::vector<std::pair<DISPID, HRESULT>> externalCalls;
  std::vector<std::wstring> framesLoaded;  // FrameLoaded("...") calls
};

// The policy, recording what it decided and what completed.
class RecordingPolicy : public CPortalPolicy {
 public:
  using CPortalPolicy::CPortalPolicy;
  void BeforeNavigate2(IDispatch* frame, VARIANT*& url, VARIANT*& flags, VARIANT*& target, VARIANT*& postData,
                       VARIANT*& headers, VARIANT_BOOL*& cancel) override;
  void DocumentComplete(IDispatch*, VARIANT*& url) override;
  void NavigateError(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*& status, VARIANT_BOOL*&) override;

  std::vector<std::wstring> allowed;
  std::vector<std::wstring> refused;
  std::vector<std::wstring> documents;
  std::vector<std::pair<std::wstring, LONG>> errors;
};

// Where the control's view comes from: a new view, or the engine's spare
// (its web process already running) that the control adopts.
enum class ViewOrigin { kFresh, kSpare };

class PortalEndToEnd : public ::testing::TestWithParam<ViewOrigin> {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Leaves the engine with a ready spare view (kSpare) or with none ready
  // (kFresh), for the next control; returns the spare (or null).
  WebKitWebView* PrepareOrigin(ViewOrigin origin);
  // Opens the window with the bar and the browser control on the policy.
  void OpenPortal();
  // Destroys the window and the policy.
  void ClosePortal();
  WebKitWebView* ViewOf(CWebBrowserUI* browser) const;

  // Marks the documents completed so far.
  size_t Mark() const { return policy_->documents.size(); }
  // Waits for the top document at url to complete after the mark.
  bool WaitForDocument(const std::wstring& url, size_t mark, int timeoutMs = 120000);
  // Waits for the page's window.external call with that dispatch id to
  // return hr.
  bool WaitForExternalCall(DISPID id, HRESULT hr, int timeoutMs = 60000);
  // Lets the display and the engine run for a while.
  void Settle(int ms);
  std::string OpenedAddresses() const { return ReadFile(openedFile_); }
  const std::wstring& Home() const { return policy_->HomeAddress(); }

  static pid_t portal_;
  static pid_t otherHost_;
  static std::string openedFile_;
  static CWebKitBrowserClass* engine_;

  CWhitelist inside_;
  CWhitelist outside_;
  PortalWindow window_;
  RecordingBrowser* browser_ = nullptr;
  RecordingPolicy* policy_ = nullptr;
  RECT browserOnScreen_{};
};

}  // namespace portaltest
