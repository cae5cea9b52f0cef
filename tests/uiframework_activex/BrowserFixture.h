// A skinned test window holding one web browser control over the
// scripted engine, and a handler that records what it hears.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/uiframework_activex/ScriptedBrowser.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/activex/WebBrowserUI.h"

namespace activextest {

using namespace SkinUI;

inline std::wstring UrlText(const VARIANT* url) {
  return url && url->vt == VT_BSTR && url->bstrVal ? std::wstring(url->bstrVal) : std::wstring(L"?");
}

class RecordingHandler : public CWebBrowserEventHandler {
 public:
  std::vector<std::wstring> events;  // "<event> <url>"
  std::vector<std::wstring> cancelPrefixes;

  void BeforeNavigate2(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&,
                       VARIANT_BOOL*& cancel) override {
    const std::wstring text = UrlText(url);
    events.push_back(L"before " + text);
    for (const auto& prefix : cancelPrefixes)
      if (text.rfind(prefix, 0) == 0) *cancel = VARIANT_TRUE;
  }
  void NavigateComplete2(IDispatch*, VARIANT*& url) override { events.push_back(L"complete " + UrlText(url)); }
  void DocumentComplete(IDispatch*, VARIANT*& url) override { events.push_back(L"document " + UrlText(url)); }
  void NavigateError(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*& status, VARIANT_BOOL*&) override {
    events.push_back(L"error " + UrlText(url) + L" " + std::to_wstring(status->lVal));
  }
  void NewWindow3(IDispatch**, VARIANT_BOOL*& cancel, DWORD, BSTR, BSTR url) override {
    events.push_back(L"newwindow " + std::wstring(url));
    *cancel = VARIANT_TRUE;
  }
  void WindowClosing(VARIANT_BOOL, VARIANT_BOOL*) override { events.push_back(L"closing"); }
  HRESULT Download(IMoniker* moniker, IUnknown*, DWORD, LONG, void*, LPCOLESTR, LPCOLESTR, UINT) override {
    LPOLESTR name = nullptr;
    moniker->GetDisplayName(nullptr, nullptr, &name);
    events.push_back(L"download " + std::wstring(name ? name : L"?"));
    SysFreeString(name);
    return downloadResult;
  }
  HRESULT downloadResult = S_OK;
};

class BrowserWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Open(0, 0, 400, 300) != nullptr);
    browser = new CWebBrowserUI;
    spacer = new CControlUI;
    window.AttachRow({spacer, browser}, {50});
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    skintest::Pump();
  }
  // Lays the window out, which creates the browser at its first position.
  void Layout() {
    window.pm.UpdateLayout(RECT{0, 0, 400, 300});
    skintest::Pump();
  }
  scripted::ScriptedBrowser& Engine() {
    EXPECT_NE(web.last, nullptr);
    return *web.last;
  }

  scripted::ScriptedWeb web;
  scripted::ScriptedBrowserClass registration{web};
  skintest::SkinTestWindow window;
  CWebBrowserUI* browser = nullptr;
  CControlUI* spacer = nullptr;
  RecordingHandler handler;
};

}  // namespace activextest
