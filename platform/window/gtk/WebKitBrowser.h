// The WebBrowser class over WebKitGTK: a WebKitWebView embedded in the
// host window the container gives it (through the GTK backend), with the
// engine's signals mapped to the browser's events:
//   decide-policy, navigation action   -> BeforeNavigate2 (page and frames)
//   decide-policy, new-window action,
//   create (window.open, target=_blank) -> NewWindow3; no second view
//   load-changed committed / finished   -> NavigateComplete2 / DocumentComplete
//   load-failed, TLS errors             -> NavigateError; a failed load
//                                          shows a page of ours (retry link)
//   window.close() (a user script)      -> WindowClosing
//   window.external.NAME(args)          -> the host's external function
//   responses the view cannot show, and
//   download-started                    -> the host's Download; cancelled
//   context-menu                        -> the host's ShowContextMenu
//   script-dialog in silent mode        -> suppressed
// The view exists only while the object is active: leaving the host window
// disconnects every signal, so nothing arrives after the control is gone.
//
// Display thread only (the GTK backend must be installed).
#pragma once

#include <memory>
#include <string>

#include "platform/browser/BrowserObject.h"
#include "platform/window/gtk/WebKitViewSource.h"

// Registers the WebKit engine under CLSID_WebBrowser (and the ProgID
// "Shell.Explorer.2") for its lifetime, with one web context whose only
// trusted exception is certificateFile for host (a PEM file; empty: no
// exception). Without the GTK backend nothing is registered. The views
// come from one CWebKitViewSource (a spare view ready ahead, see there).
class CWebKitBrowserClass {
 public:
  CWebKitBrowserClass(const std::string& certificateFile, const std::string& host);
  ~CWebKitBrowserClass();
  CWebKitBrowserClass(const CWebKitBrowserClass&) = delete;
  CWebKitBrowserClass& operator=(const CWebKitBrowserClass&) = delete;

  bool IsRegistered() const { return classCookie_ != 0; }
  // The certificate could be read (and is trusted for the host).
  bool TrustsCertificate() const { return trusted_; }
  WebKitWebContext* Context() const { return views_ ? views_->Context() : nullptr; }
  // A browser control is coming (the main window's skin holds one): its
  // view's web process starts now.
  void PrepareView();
  // The views' source (null without the GTK backend).
  CWebKitViewSource* Views() const { return views_.get(); }

 private:
  std::shared_ptr<CWebKitViewSource> views_;
  DWORD classCookie_ = 0;
  DWORD progIdCookie_ = 0;
  bool trusted_ = false;
};

class CWebKitBrowser : public CBrowserObject {
 public:
  explicit CWebKitBrowser(std::shared_ptr<CWebKitViewSource> views);

  // The view (null while the object is not active); for tests.
  WebKitWebView* View() const { return view_; }

 protected:
  ~CWebKitBrowser() override;
  bool AttachView(HWND host) override;
  void DetachView() override;
  void PlaceView(const RECT& rect) override;
  void LoadUrl(const std::wstring& url) override;
  void SilentChanged(bool silent) override;
  bool Snapshot(HDC dc, const RECT& bounds) override;
  bool TranslateKey(const MSG& message) override;

 private:
  struct Signals;
  friend struct Signals;

  std::shared_ptr<CWebKitViewSource> views_;
  WebKitWebView* view_ = nullptr;  // held
  HWND host_ = nullptr;
  bool failed_ = false;     // the current load failed: no DocumentComplete
  bool committed_ = false;  // the current load committed a document
  // A failed load shows a page of ours: that page's load is no
  // navigation and no document of the address that failed.
  bool errorPageNext_ = false;  // the next load to start is that page
  bool errorPageLoad_ = false;  // the current load is
};
