#include "tests/uiframework_activex/ScriptedBrowser.h"

#include "platform/browser/BrowserClassFactory.h"
#include "platform/window/DeviceContext.h"

#include <cairo.h>

namespace scripted {

ScriptedBrowser::ScriptedBrowser(ScriptedWeb& web) : web_(web) {
  web_.last = this;
  ++web_.created;
}

ScriptedBrowser::~ScriptedBrowser() {
  if (web_.last == this) web_.last = nullptr;
}

bool ScriptedBrowser::AttachView(HWND host) { return ::IsWindow(host) != FALSE; }

void ScriptedBrowser::DetachView() { ++detaches_; }

void ScriptedBrowser::LoadUrl(const std::wstring& url) {
  if (RaiseBeforeNavigate2(true, url, L"") || !IsAttached()) return;
  loads_.push_back(url);
  const auto found = web_.pages.find(url);
  const Page page = found == web_.pages.end() ? Page{} : found->second;
  if (page.status != 0) {
    RaiseNavigateError(true, url, page.status);
    return;
  }
  shown_ = url;
  frames_.clear();
  RaiseNavigateComplete2(true, url);
  for (const std::wstring& frame : page.frames) {
    if (!IsAttached()) return;
    if (RaiseBeforeNavigate2(false, frame, L"frame") || !IsAttached()) continue;
    frames_.push_back(frame);
    RaiseNavigateComplete2(false, frame);
    RaiseDocumentComplete(false, frame);
  }
  if (IsAttached()) RaiseDocumentComplete(true, url);
}

bool ScriptedBrowser::Snapshot(HDC dc, const RECT& bounds) {
  cairo_surface_t* surface = GetDCSurface(dc);
  if (!surface) return false;
  // A recognisable colour: the "page".
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
  cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  cairo_fill(cr);
  cairo_destroy(cr);
  return true;
}

ScriptedBrowserClass::ScriptedBrowserClass(ScriptedWeb& web) {
  ComPtr<IClassFactory> factory;
  *factory.Put() = new CBrowserClassFactory([&web]() -> CBrowserObject* { return new ScriptedBrowser(web); });
  CoRegisterClassObject(CLSID_WebBrowser, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &classCookie_);
  CoRegisterProgID(L"Shell.Explorer.2", CLSID_WebBrowser, &progIdCookie_);
}

ScriptedBrowserClass::~ScriptedBrowserClass() {
  CoRevokeClassObject(progIdCookie_);
  CoRevokeClassObject(classCookie_);
}

}  // namespace scripted
