// The entry of the WebKit engine module ("brisgol-webkit.so"): the
// program loads it when its portal is set up, after the main window is on
// screen, so that starting up never waits for WebKitGTK's libraries to be
// mapped and relocated.
#include "platform/browser/BrowserEngineModule.h"
#include "platform/window/gtk/WebKitBrowser.h"

#include <type_traits>

namespace {

class CWebKitEngineClass : public IBrowserEngineClass {
 public:
  CWebKitEngineClass(const char* certificateFile, const char* host)
      : engine_(certificateFile != nullptr ? certificateFile : "", host != nullptr ? host : "") {}
  bool IsRegistered() const override { return engine_.IsRegistered(); }
  bool TrustsCertificate() const override { return engine_.TrustsCertificate(); }

 private:
  CWebKitBrowserClass engine_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) IBrowserEngineClass* CreateBrowserEngine(const char* certificateFile,
                                                                                        const char* host) {
  return new CWebKitEngineClass(certificateFile, host);
}

static_assert(std::is_same_v<decltype(&CreateBrowserEngine), CreateBrowserEngineProc>);
