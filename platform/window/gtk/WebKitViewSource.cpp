#include "platform/window/gtk/WebKitViewSource.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

namespace {

// Page scripts reach the host through two message channels: window.close()
// of the top page, and every window.external.NAME(args) call.
constexpr const char* kCloseChannel = "brisgolClose";
constexpr const char* kExternalChannel = "brisgolExternal";
constexpr const char* kPageScript = R"JS((function () {
  const post = (channel, message) => window.webkit.messageHandlers[channel].postMessage(message);
  if (window === window.top) {
    window.close = function () { post('brisgolClose', null); };
  }
  const external = new Proxy({}, {
    get(target, name) {
      if (typeof name !== 'string' || name === 'then') return undefined;
      return function (...args) { post('brisgolExternal', { name: name, args: args }); };
    }
  });
  try { Object.defineProperty(window, 'external', { value: external, configurable: true }); } catch (e) {}
})();)JS";

// The spare's page: nothing to fetch, no script of the page's own.
constexpr const char* kSparePage = "about:blank";

}  // namespace

// The spare's own signal handlers; data is the source.
struct CWebKitViewSource::Signals {
  static void LoadChanged(WebKitWebView* view, WebKitLoadEvent event, CWebKitViewSource* self) {
    if (view == self->spare_ && event == WEBKIT_LOAD_FINISHED) self->spareReady_ = true;
  }
  static void Terminated(WebKitWebView* view, WebKitWebProcessTerminationReason, CWebKitViewSource* self) {
    if (view == self->spare_) self->DropSpare();  // a dead process saves nothing
  }
  static gboolean DelayedSpare(gpointer data) {
    auto* self = static_cast<CWebKitViewSource*>(data);
    self->delayedSpare_ = 0;
    self->Prepare();
    return G_SOURCE_REMOVE;
  }
};

CWebKitViewSource::CWebKitViewSource(WebKitWebContext* context) : context_(context) { g_object_ref(context_); }

CWebKitViewSource::~CWebKitViewSource() {
  Close();
  g_object_unref(context_);
}

WebKitWebView* CWebKitViewSource::NewView() const {
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  WebKitUserScript* script = webkit_user_script_new(kPageScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
  webkit_user_content_manager_register_script_message_handler(content, kCloseChannel);
  webkit_user_content_manager_register_script_message_handler(content, kExternalChannel);
  auto* view = WEBKIT_WEB_VIEW(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_, "user-content-manager", content, nullptr));
  g_object_unref(content);
  g_object_ref_sink(view);
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  // Pop-ups reach the host's policy instead of being blocked unseen.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  // The portal's pages are plain documents: software rendering draws them
  // on any display, a virtual one included.
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  return view;
}

WebKitWebView* CWebKitViewSource::TakeView() {
  ++inUse_;
  CancelDelayedSpare();
  if (!SpareReady()) {
    // Still starting: its blank page's events would reach the taker, and
    // kept it would be a second web process beside the view in use.
    DropSpare();
    return NewView();
  }
  WebKitWebView* view = spare_;
  g_signal_handlers_disconnect_by_data(view, this);
  spare_ = nullptr;
  spareReady_ = false;
  // The reference the source held goes with the view; the off-screen
  // window lets go of its own.
  gtk_container_remove(GTK_CONTAINER(holder_), GTK_WIDGET(view));
  gtk_widget_destroy(holder_);
  holder_ = nullptr;
  return view;
}

void CWebKitViewSource::ViewReturned() {
  if (inUse_ > 0) --inUse_;
  if (closed_ || inUse_ > 0 || spare_ != nullptr || delayedSpare_ != 0) return;
  delayedSpare_ = g_timeout_add_full(G_PRIORITY_LOW, kSpareDelayMs, &Signals::DelayedSpare, this, nullptr);
}

void CWebKitViewSource::Prepare() {
  CancelDelayedSpare();
  if (closed_ || spare_ != nullptr) return;
  spare_ = NewView();
  spareReady_ = false;
  g_signal_connect(spare_, "load-changed", G_CALLBACK(&Signals::LoadChanged), this);
  g_signal_connect(spare_, "web-process-terminated", G_CALLBACK(&Signals::Terminated), this);
  // Realised and laid out like a shown view, where nobody sees it.
  holder_ = gtk_offscreen_window_new();
  gtk_window_set_default_size(GTK_WINDOW(holder_), 200, 150);
  gtk_container_add(GTK_CONTAINER(holder_), GTK_WIDGET(spare_));
  gtk_widget_show_all(holder_);
  webkit_web_view_load_uri(spare_, kSparePage);
}

void CWebKitViewSource::Close() {
  closed_ = true;
  CancelDelayedSpare();
  DropSpare();
}

void CWebKitViewSource::DropSpare() {
  if (spare_ == nullptr) return;
  WebKitWebView* view = spare_;
  spare_ = nullptr;
  spareReady_ = false;
  g_signal_handlers_disconnect_by_data(view, this);
  webkit_web_view_stop_loading(view);
  gtk_widget_destroy(holder_);  // takes the view out and destroys it
  holder_ = nullptr;
  g_object_unref(view);
}

void CWebKitViewSource::CancelDelayedSpare() {
  if (delayedSpare_ != 0) g_source_remove(delayedSpare_);
  delayedSpare_ = 0;
}
