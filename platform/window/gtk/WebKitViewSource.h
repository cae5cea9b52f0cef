// Makes the web views of the WebBrowser objects, all alike: one web
// context (with its trusted certificate), the page script and its message
// channels, the same settings.
//
// A new view's web process starts only with its first load and takes most
// of a second to come up, which is most of the time to a control's first
// page. So the source keeps at most one spare view whose web process is
// already running (it loaded about:blank inside an off-screen window of
// its own) and hands it out first; the taker moves it into its window.
//
// A spare costs a web process, so one is started only when a browser
// control is known to come:
//   - Prepare(): the owner knows (its main window's skin holds one);
//   - a while after a view was given back: the window that showed it
//     closed and may well open again (the portal's main window does, from
//     the notification area). While a view is in use no spare is kept.
// A program that never creates a browser control starts none.
//
// Display thread only.
#pragma once

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _GtkWidget GtkWidget;

class CWebKitViewSource {
 public:
  // The delay between a view given back and the next spare: a program
  // that is closing its last window ends before it comes.
  static constexpr unsigned kSpareDelayMs = 500;

  explicit CWebKitViewSource(WebKitWebContext* context);
  ~CWebKitViewSource();
  CWebKitViewSource(const CWebKitViewSource&) = delete;
  CWebKitViewSource& operator=(const CWebKitViewSource&) = delete;

  WebKitWebContext* Context() const { return context_; }

  // A view for a browser object (one reference, the caller's; no parent):
  // the spare when its web process is up and its blank page loaded,
  // otherwise a new one (and a spare still starting is dropped).
  WebKitWebView* TakeView();
  // A view from TakeView was destroyed: when it was the last one in use,
  // a spare follows after the delay (unless a view is taken before).
  void ViewReturned();
  // Starts a spare now unless there is one.
  void Prepare();
  // Drops the spare and starts no more (the engine is going away); views
  // can still be taken.
  void Close();

  // The spare (null if none) and whether it can be handed out.
  WebKitWebView* Spare() const { return spare_; }
  bool SpareReady() const { return spare_ != nullptr && spareReady_; }

 private:
  struct Signals;
  friend struct Signals;

  WebKitWebView* NewView() const;
  void DropSpare();
  void CancelDelayedSpare();

  WebKitWebContext* context_;  // held
  WebKitWebView* spare_ = nullptr;  // held; inside holder_
  GtkWidget* holder_ = nullptr;     // the spare's off-screen window
  bool spareReady_ = false;
  bool closed_ = false;
  unsigned delayedSpare_ = 0;  // the timeout that prepares a spare
  int inUse_ = 0;              // views taken and not yet returned
};
