#include "platform/window/gtk/WebKitBrowser.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/browser/BrowserClassFactory.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/gtk/GtkBackend.h"
#include "platform/window/gtk/WebKitErrorPage.h"

namespace {

// An external call with more arguments than this is refused unseen.
constexpr int kMaxExternalArguments = 64;
// INET_E_INVALID_CERTIFICATE: a page whose certificate is not trusted.
constexpr LONG kInvalidCertificate = static_cast<LONG>(0x800C0019u);

std::wstring Wide(const char* utf8) { return utf8 ? Utf8ToWideString(utf8) : std::wstring(); }

GtkBackend* DisplayBackend() { return dynamic_cast<GtkBackend*>(&CurrentBackend()); }

// A script value as an argument of Invoke.
VARIANT ArgumentOf(JSCValue* value) {
  VARIANT v;
  VariantInit(&v);
  if (jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    const std::wstring wide = Wide(text);
    g_free(text);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  } else if (jsc_value_is_boolean(value)) {
    v.vt = VT_BOOL;
    v.boolVal = jsc_value_to_boolean(value) ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (jsc_value_is_number(value)) {
    const double number = jsc_value_to_double(value);
    if (number >= -2147483648.0 && number <= 2147483647.0 && number == static_cast<double>(static_cast<LONG>(number))) {
      v.vt = VT_I4;
      v.lVal = static_cast<LONG>(number);
    } else {
      v.vt = VT_R8;
      v.dblVal = number;
    }
  }
  return v;  // anything else arrives empty
}

}  // namespace

// The engine's signal handlers; data is the browser object.
struct CWebKitBrowser::Signals {
  static gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                               CWebKitBrowser* self) {
    if (!self->IsAttached()) return FALSE;
    switch (type) {
      case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const std::wstring url = Wide(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
        const char* frame = webkit_navigation_action_get_frame_name(action);
        const bool topLevel = frame == nullptr || *frame == 0;
        g_object_ref(decision);
        const bool cancel = self->RaiseBeforeNavigate2(topLevel, url, Wide(frame));
        if (cancel) {
          webkit_policy_decision_ignore(decision);
        } else {
          webkit_policy_decision_use(decision);
        }
        g_object_unref(decision);
        return TRUE;
      }
      case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION: {
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const std::wstring url = Wide(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
        webkit_policy_decision_ignore(decision);
        self->RaiseNewWindow3(url, self->LocationUrl(), 0);
        return TRUE;
      }
      case WEBKIT_POLICY_DECISION_TYPE_RESPONSE: {
        auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        if (webkit_response_policy_decision_is_mime_type_supported(response)) return FALSE;
        const std::wstring url = Wide(webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response)));
        webkit_policy_decision_ignore(decision);
        self->OfferDownload(url);
        return TRUE;
      }
      default:
        return FALSE;
    }
  }

  static GtkWidget* Create(WebKitWebView*, WebKitNavigationAction* action, CWebKitBrowser* self) {
    if (self->IsAttached()) {
      const std::wstring url = Wide(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
      self->RaiseNewWindow3(url, self->LocationUrl(), 0);
    }
    return nullptr;  // never a second view
  }

  static void LoadChanged(WebKitWebView* view, WebKitLoadEvent event, CWebKitBrowser* self) {
    if (!self->IsAttached()) return;
    const std::wstring url = Wide(webkit_web_view_get_uri(view));
    if (event == WEBKIT_LOAD_STARTED) {
      self->failed_ = self->committed_ = false;
      self->errorPageLoad_ = self->errorPageNext_;
      self->errorPageNext_ = false;
    }
    if (self->errorPageLoad_) return;
    if (event == WEBKIT_LOAD_COMMITTED) {
      self->committed_ = true;
      self->RaiseNavigateComplete2(true, url);
    }
    // Only a load that committed a document and did not fail completes
    // one: a refused or cancelled load "finishes" too, while the view's
    // address already names where it was heading.
    if (event == WEBKIT_LOAD_FINISHED && self->committed_ && !self->failed_) self->RaiseDocumentComplete(true, url);
  }

  static gboolean LoadFailed(WebKitWebView* view, WebKitLoadEvent, const char* uri, GError* error,
                             CWebKitBrowser* self) {
    if (!self->IsAttached()) return TRUE;
    // The load completes no document either way: its "finished" that
    // follows must not report the address it was heading for.
    self->failed_ = true;
    // Loads the policy or a newer navigation cancelled are not errors (the
    // network layer reports some cancellations as its own): no error page
    // either, whose load would race the next navigation.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
      return TRUE;
    // Our own page is no navigation of the host's: it never reports an
    // error, nor shows itself again.
    if (self->errorPageLoad_) return TRUE;
    const bool cancel = self->RaiseNavigateError(true, Wide(uri), error ? error->code : 0);
    // The host cancelled the error page, or it is gone meanwhile.
    if (cancel || !self->IsAttached() || self->view_ != view) return TRUE;
    // Our page in place of the engine's (plain English): its load reports
    // no navigation and completes no document; its link loads the address
    // again as a navigation like any other.
    self->errorPageNext_ = true;
    const std::string address = uri != nullptr ? uri : "";
    webkit_web_view_load_alternate_html(view, LoadFailedPage(address, error).c_str(), address.c_str(), nullptr);
    return TRUE;
  }

  static gboolean TlsFailed(WebKitWebView*, const char* uri, GTlsCertificate*, GTlsCertificateFlags,
                            CWebKitBrowser* self) {
    if (self->IsAttached()) {
      self->failed_ = true;
      self->RaiseNavigateError(true, Wide(uri), kInvalidCertificate);
    }
    return TRUE;  // refused; no page of the engine's own
  }

  static void Close(WebKitWebView*, CWebKitBrowser* self) {
    if (self->IsAttached()) self->RaiseWindowClosing(false);
  }

  static void CloseMessage(WebKitUserContentManager*, WebKitJavascriptResult*, CWebKitBrowser* self) {
    if (self->IsAttached()) self->RaiseWindowClosing(false);
  }

  static void ExternalMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, CWebKitBrowser* self) {
    if (!self->IsAttached()) return;
    JSCValue* message = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_object(message)) return;
    JSCValue* name = jsc_value_object_get_property(message, "name");
    JSCValue* args = jsc_value_object_get_property(message, "args");
    JSCValue* length = jsc_value_is_array(args) ? jsc_value_object_get_property(args, "length") : nullptr;
    const int count = length ? jsc_value_to_int32(length) : -1;
    if (jsc_value_is_string(name) && count >= 0 && count <= kMaxExternalArguments) {
      char* nameText = jsc_value_to_string(name);
      std::vector<VARIANT> values;
      for (int i = 0; i < count; ++i) {
        JSCValue* arg = jsc_value_object_get_property_at_index(args, static_cast<guint>(i));
        values.push_back(ArgumentOf(arg));
        g_object_unref(arg);
      }
      VARIANT out;
      VariantInit(&out);
      self->CallExternal(Wide(nameText), values, &out);
      VariantClear(&out);
      for (VARIANT& v : values) VariantClear(&v);
      g_free(nameText);
    }
    if (length) g_object_unref(length);
    g_object_unref(args);
    g_object_unref(name);
  }

  static gboolean ContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event, WebKitHitTestResult*,
                              CWebKitBrowser* self) {
    if (!self->IsAttached()) return TRUE;
    gdouble x = 0;
    gdouble y = 0;
    if (event) gdk_event_get_coords(event, &x, &y);
    return self->AllowEngineContextMenu(POINT{static_cast<LONG>(x), static_cast<LONG>(y)}) ? FALSE : TRUE;
  }

  static gboolean ScriptDialog(WebKitWebView*, WebKitScriptDialog*, CWebKitBrowser* self) {
    return self->IsSilent() ? TRUE : FALSE;  // handled: nothing is shown
  }

  static void DownloadStarted(WebKitWebContext*, WebKitDownload* download, CWebKitBrowser* self) {
    if (!self->IsAttached() || webkit_download_get_web_view(download) != self->view_) return;
    const std::wstring url = Wide(webkit_uri_request_get_uri(webkit_download_get_request(download)));
    webkit_download_cancel(download);
    self->OfferDownload(url);
  }
};

CWebKitBrowser::CWebKitBrowser(std::shared_ptr<CWebKitViewSource> views)
    : views_(std::move(views)) {}

CWebKitBrowser::~CWebKitBrowser() { DetachView(); }

bool CWebKitBrowser::AttachView(HWND host) {
  GtkBackend* backend = DisplayBackend();
  if (backend == nullptr || view_ != nullptr) return false;
  view_ = views_->TakeView();
  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view_);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(&Signals::DecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(&Signals::Create), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(&Signals::LoadChanged), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(&Signals::LoadFailed), this);
  g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(&Signals::TlsFailed), this);
  g_signal_connect(view_, "close", G_CALLBACK(&Signals::Close), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(&Signals::ContextMenu), this);
  g_signal_connect(view_, "script-dialog", G_CALLBACK(&Signals::ScriptDialog), this);
  g_signal_connect(content, "script-message-received::brisgolClose", G_CALLBACK(&Signals::CloseMessage), this);
  g_signal_connect(content, "script-message-received::brisgolExternal", G_CALLBACK(&Signals::ExternalMessage),
                   this);
  g_signal_connect(views_->Context(), "download-started", G_CALLBACK(&Signals::DownloadStarted), this);

  if (!backend->EmbedWidget(host, GTK_WIDGET(view_))) {
    DetachView();
    return false;
  }
  host_ = host;
  return true;
}

void CWebKitBrowser::DetachView() {
  if (view_ == nullptr) return;
  WebKitWebView* view = view_;
  view_ = nullptr;
  g_signal_handlers_disconnect_by_data(views_->Context(), this);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view), this);
  g_signal_handlers_disconnect_by_data(view, this);
  webkit_web_view_stop_loading(view);
  if (host_ != nullptr) {
    if (GtkBackend* backend = DisplayBackend()) backend->RemoveWidget(host_);
    host_ = nullptr;
  }
  g_object_unref(view);
  views_->ViewReturned();
}

void CWebKitBrowser::PlaceView(const RECT&) {
  // The view fills its host window, whose rectangle the backend follows.
}

void CWebKitBrowser::LoadUrl(const std::wstring& url) {
  if (view_ == nullptr) return;
  // The host's navigation replaces a page of ours that has not started.
  errorPageNext_ = false;
  webkit_web_view_load_uri(view_, WideToUtf8String(url).c_str());
}

void CWebKitBrowser::SilentChanged(bool) {
  // Read when the engine asks to show a dialog (Signals::ScriptDialog).
}

bool CWebKitBrowser::Snapshot(HDC dc, const RECT& bounds) {
  cairo_surface_t* surface = GetDCSurface(dc);
  if (view_ == nullptr || surface == nullptr) return false;
  cairo_t* cr = cairo_create(surface);
  cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  cairo_clip(cr);
  cairo_translate(cr, bounds.left, bounds.top);
  gtk_widget_draw(GTK_WIDGET(view_), cr);
  cairo_destroy(cr);
  return true;
}

bool CWebKitBrowser::TranslateKey(const MSG&) {
  // The view takes its keys from GTK directly while it has the focus.
  return false;
}

CWebKitBrowserClass::CWebKitBrowserClass(const std::string& certificateFile, const std::string& host) {
  if (DisplayBackend() == nullptr) return;
  WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
  webkit_website_data_manager_set_tls_errors_policy(data, WEBKIT_TLS_ERRORS_POLICY_FAIL);
  WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(data);
  g_object_unref(data);
  if (!certificateFile.empty()) {
    GError* error = nullptr;
    GTlsCertificate* certificate = g_tls_certificate_new_from_file(certificateFile.c_str(), &error);
    if (certificate != nullptr) {
      webkit_web_context_allow_tls_certificate_for_host(context, certificate, host.c_str());
      g_object_unref(certificate);
      trusted_ = true;
    }
    g_clear_error(&error);
  }
  views_ = std::make_shared<CWebKitViewSource>(context);
  g_object_unref(context);
  ComPtr<IClassFactory> factory;
  std::shared_ptr<CWebKitViewSource> views = views_;
  *factory.Put() = new CBrowserClassFactory([views]() -> CBrowserObject* { return new CWebKitBrowser(views); });
  CoRegisterClassObject(CLSID_WebBrowser, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &classCookie_);
  CoRegisterProgID(L"Shell.Explorer.2", CLSID_WebBrowser, &progIdCookie_);
}

CWebKitBrowserClass::~CWebKitBrowserClass() {
  if (progIdCookie_ != 0) CoRevokeClassObject(progIdCookie_);
  if (classCookie_ != 0) CoRevokeClassObject(classCookie_);
  // Browser objects still alive keep the source for their views; the
  // spare goes now.
  if (views_) views_->Close();
}

void CWebKitBrowserClass::PrepareView() {
  if (views_) views_->Prepare();
}
