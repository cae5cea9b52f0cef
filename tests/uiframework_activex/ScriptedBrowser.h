// A WebBrowser engine for tests without a display: pages are a script
// (which addresses exist, which frames they load, which fail), and the
// test plays the page's part (clicks, pop-ups, window.close, external
// calls, downloads, context menus, script errors). Registered under
// CLSID_WebBrowser like the real engine, so the control and the policy
// above it run unchanged.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/browser/BrowserObject.h"

namespace scripted {

struct Page {
  std::vector<std::wstring> frames;  // frame addresses, loaded in order
  LONG status = 0;                   // non-zero: the load fails with it
};

class ScriptedBrowser;

// What the tests share with the engines they create.
struct ScriptedWeb {
  std::map<std::wstring, Page> pages;  // unknown addresses load as empty pages
  ScriptedBrowser* last = nullptr;     // the newest live browser
  int created = 0;
};

class ScriptedBrowser : public CBrowserObject {
 public:
  explicit ScriptedBrowser(ScriptedWeb& web);

  // ---- The page's part
  void ClickLink(const std::wstring& url) { LoadUrl(url); }
  // window.open / target=_blank: true when the request was cancelled.
  bool OpenWindow(const std::wstring& url) { return RaiseNewWindow3(url, LocationUrl(), 0); }
  // window.close(): true when the handler cancelled it.
  bool CloseFromPage() { return RaiseWindowClosing(false); }
  HRESULT CallExternal(const std::wstring& name, const std::vector<VARIANT>& args, VARIANT* result) {
    return CBrowserObject::CallExternal(name, args, result);
  }
  bool StartDownload(const std::wstring& url) { return OfferDownload(url); }
  // A right click: true when the engine's own menu would show.
  bool RightClick() { return AllowEngineContextMenu(POINT{10, 10}); }
  bool ScriptError() { return ReportScriptError(); }
  HRESULT ProbeHostInfo(DOCHOSTUIINFO* info) { return AskHostInfo(info); }

  // ---- What the engine shows
  const std::wstring& Shown() const { return shown_; }
  const std::vector<std::wstring>& LoadedFrames() const { return frames_; }
  const std::vector<std::wstring>& Loads() const { return loads_; }
  RECT ViewRect() const { return view_; }
  HWND View() const { return HostWindow(); }
  int Detaches() const { return detaches_; }

 protected:
  ~ScriptedBrowser() override;
  bool AttachView(HWND host) override;
  void DetachView() override;
  void PlaceView(const RECT& rect) override { view_ = rect; }
  void LoadUrl(const std::wstring& url) override;
  void SilentChanged(bool) override {}
  bool Snapshot(HDC dc, const RECT& bounds) override;
  bool TranslateKey(const MSG& message) override { return message.wParam == 'R'; }

 private:
  ScriptedWeb& web_;
  std::wstring shown_;
  std::vector<std::wstring> frames_;
  std::vector<std::wstring> loads_;
  RECT view_{};
  int detaches_ = 0;
};

// Registers the scripted engine under CLSID_WebBrowser (and the ProgID
// "Shell.Explorer.2") for its lifetime.
class ScriptedBrowserClass {
 public:
  explicit ScriptedBrowserClass(ScriptedWeb& web);
  ~ScriptedBrowserClass();
  ScriptedBrowserClass(const ScriptedBrowserClass&) = delete;
  ScriptedBrowserClass& operator=(const ScriptedBrowserClass&) = delete;

 private:
  DWORD classCookie_ = 0;
  DWORD progIdCookie_ = 0;
};

}  // namespace scripted
