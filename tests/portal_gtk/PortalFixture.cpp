#include "tests/portal_gtk/PortalFixture.h"

#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "platform/CodePage.h"
#include "platform/window/gtk/DisplayBackend.h"

namespace portaltest {

pid_t PortalEndToEnd::portal_ = -1;
pid_t PortalEndToEnd::otherHost_ = -1;
std::string PortalEndToEnd::openedFile_;
CWebKitBrowserClass* PortalEndToEnd::engine_ = nullptr;

void RunScript(CWebBrowserUI* browser, const std::string& script) {
  IWebBrowser2* object = browser->GetBrowser();
  auto* engine = dynamic_cast<CWebKitBrowser*>(object);
  ASSERT_NE(engine, nullptr);
  ASSERT_NE(engine->View(), nullptr);
  webkit_web_view_evaluate_javascript(engine->View(), script.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                      nullptr);
}

bool PortalWindow::QueueNavigatePortal(void* pending) {
  return queue.Queue(GetHWND(), pending);
}

bool PortalWindow::Open(const std::wstring& address) {
  const pid_t pid = Spawn({"xdg-open", WideToUtf8String(address)});
  if (pid > 0) waitpid(pid, nullptr, 0);
  return pid > 0;
}

LRESULT PortalWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PortalCallQueue::kWakeUp) {
    queue.Run(*policy);
    return 0;
  }
  if (message == WM_DESTROY) queue.Drop();
  return SkinTestWindow::OnMessage(message, wParam, lParam);
}

namespace {

std::wstring UrlOf(const VARIANT* url) {
  return url && url->vt == VT_BSTR && url->bstrVal ? std::wstring(url->bstrVal) : std::wstring();
}

void FrameLoaded(CWebBrowserUI* control, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  static_cast<RecordingBrowser*>(control)->framesLoaded.emplace_back(params->rgvarg[0].bstrVal);
}

}  // namespace

void RecordingPolicy::BeforeNavigate2(IDispatch* frame, VARIANT*& url, VARIANT*& flags, VARIANT*& target,
                                      VARIANT*& postData, VARIANT*& headers, VARIANT_BOOL*& cancel) {
  CPortalPolicy::BeforeNavigate2(frame, url, flags, target, postData, headers, cancel);
  (*cancel != VARIANT_FALSE ? refused : allowed).push_back(UrlOf(url));
}

void RecordingPolicy::DocumentComplete(IDispatch*, VARIANT*& url) { documents.push_back(UrlOf(url)); }

void RecordingPolicy::NavigateError(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*& status, VARIANT_BOOL*&) {
  errors.emplace_back(UrlOf(url), status && status->vt == VT_I4 ? status->lVal : 0);
}

void PortalEndToEnd::SetUpTestSuite() {
  ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
  const std::string cert = Env("BRISGOL_BUILD_DIR") + "/bin/portal/portal-cert.pem";
  // The portal, and the same certificate served under another host name.
  portal_ = StartPortalServer("127.0.0.1", 18443);
  otherHost_ = StartPortalServer("127.0.0.1", 18444);
  ASSERT_TRUE(WaitForPort(18443, 10000));
  ASSERT_TRUE(WaitForPort(18444, 10000));

  // xdg-open on PATH records the address it is given.
  char dir[] = "/tmp/portal-xdg-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  openedFile_ = std::string(dir) + "/opened.txt";
  std::ofstream(std::string(dir) + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << openedFile_ << "'\n";
  chmod((std::string(dir) + "/xdg-open").c_str(), 0755);
  setenv("PATH", (std::string(dir) + ":" + Env("PATH")).c_str(), 1);

  engine_ = new CWebKitBrowserClass(cert, "127.0.0.1");
  ASSERT_TRUE(engine_->IsRegistered());
  ASSERT_TRUE(engine_->TrustsCertificate());
}

void PortalEndToEnd::TearDownTestSuite() {
  delete engine_;
  engine_ = nullptr;
  EndProcess(portal_);
  EndProcess(otherHost_);
}

void PortalEndToEnd::SetUp() {
  std::ofstream(openedFile_, std::ios::trunc).flush();  // each test hears its own xdg-open calls
  inside_.Append({L"https://127.0.0.1:18443/daohang/", L"https://localhost:18444/"});
  outside_.Append({L"https://www.example.com/"});
  WebKitWebView* spare = PrepareOrigin(GetParam());
  OpenPortal();
  if (GetParam() == ViewOrigin::kSpare) {
    ASSERT_EQ(ViewOf(browser_), spare) << "the control did not adopt the spare view";
  } else {
    ASSERT_NE(ViewOf(browser_), spare) << "the control adopted a spare view";
  }
}

void PortalEndToEnd::TearDown() { ClosePortal(); }

WebKitWebView* PortalEndToEnd::PrepareOrigin(ViewOrigin origin) {
  CWebKitViewSource& views = *engine_->Views();
  if (origin == ViewOrigin::kSpare) {
    engine_->PrepareView();
    EXPECT_TRUE(RunLoopUntil([&] { return views.SpareReady(); }, 120000)) << "the spare view did not come up";
  } else if (views.Spare() != nullptr) {
    // The one left by an earlier test goes; the next comes only once no
    // view is in use, so the control gets a new one.
    WebKitWebView* spare = views.TakeView();
    g_object_unref(spare);
    views.ViewReturned();
  }
  return views.Spare();
}

void PortalEndToEnd::OpenPortal() {
  window_.destroyed = false;
  ASSERT_NE(window_.SkinTestWindow::Open(100, 100, 800, 600), nullptr);
  policy_ = new RecordingPolicy(L"127.0.0.1:18443", inside_, outside_, window_, window_);
  window_.policy = policy_;
  auto* bar = new CControlUI;
  bar->SetBkColor(0xFF303030);
  browser_ = new RecordingBrowser;
  const size_t notes = window_.notes.size();
  window_.AttachRow({bar, browser_}, {40});
  ASSERT_TRUE(RunLoopUntil([&] { return window_.notes.size() > notes; }, 5000));
  ASSERT_NE(browser_->GetBrowser(), nullptr) << "the WebKit engine was not created";
  policy_->AttachBrowser(browser_);
  browser_->RegisterExternalFunction(L"FrameLoaded", &FrameLoaded, {VT_BSTR});
  browserOnScreen_ = RECT{140, 100, 900, 700};
}

void PortalEndToEnd::ClosePortal() {
  // The control goes first (a window's controls otherwise live as long as
  // its window object), and with it the view.
  if (policy_ != nullptr) policy_->AttachBrowser(nullptr);
  if (auto* row = browser_ ? dynamic_cast<CContainerUI*>(browser_->GetParent()) : nullptr) {
    row->Remove(browser_);
    Settle(100);
  }
  if (::IsWindow(window_.GetHWND())) ::DestroyWindow(window_.GetHWND());
  Settle(100);
  delete policy_;
  policy_ = nullptr;
  browser_ = nullptr;
}

WebKitWebView* PortalEndToEnd::ViewOf(CWebBrowserUI* browser) const {
  auto* engine = dynamic_cast<CWebKitBrowser*>(browser->GetBrowser());
  return engine ? engine->View() : nullptr;
}

bool PortalEndToEnd::WaitForDocument(const std::wstring& url, size_t mark, int timeoutMs) {
  return RunLoopUntil(
      [&] {
        for (size_t i = mark; i < policy_->documents.size(); ++i)
          if (policy_->documents[i] == url) return true;
        return false;
      },
      timeoutMs);
}

bool PortalEndToEnd::WaitForExternalCall(DISPID id, HRESULT hr, int timeoutMs) {
  return RunLoopUntil(
      [&] {
        for (const auto& call : browser_->externalCalls)
          if (call.first == id && call.second == hr) return true;
        return false;
      },
      timeoutMs);
}

void PortalEndToEnd::Settle(int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  RunLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 1000);
}

}  // namespace portaltest
