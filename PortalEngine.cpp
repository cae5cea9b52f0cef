#include "PortalEngine.h"

#include "platform/CodePage.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "system/WriteLogFile.h"

#include <dlfcn.h>
#include <glib.h>

#include <utility>

namespace {

// How often the display's frame count is looked at while waiting, and for
// how long at most.
constexpr unsigned kFrameLookMs = 5;
constexpr unsigned kFrameWaitMs = 2000;

}  // namespace

// The engine's libraries, loaded at run time, keep thread-local data of
// their own; the leak checker's tracking of such data misreads this C
// library's thread vectors and makes it fail at exit. It is told to leave
// that data alone, in every program that loads the engine.
extern "C" const char* __lsan_default_options() { return "intercept_tls_get_addr=0"; }

CPortalEngine::CPortalEngine(std::string modulePath, std::string certificateFile, std::string host)
    : modulePath_(std::move(modulePath)), certificateFile_(std::move(certificateFile)), host_(std::move(host)) {}

CPortalEngine::~CPortalEngine() {
  if (source_ != 0) g_source_remove(source_);
}

void CPortalEngine::Prepare(std::function<void(bool)> ready) {
  if (source_ != 0 || ready_ != nullptr || engine_ != nullptr) return;
  ready_ = std::move(ready);
  framesBefore_ = DisplayFramesDrawn();
  source_ = g_timeout_add(kFrameLookMs, &CPortalEngine::OnTick, this);
}

int CPortalEngine::OnTick(void* self) {
  auto* engine = static_cast<CPortalEngine*>(self);
  if (DisplayFramesDrawn() == engine->framesBefore_ && (engine->waitedMs_ += kFrameLookMs) < kFrameWaitMs)
    return G_SOURCE_CONTINUE;
  engine->source_ = 0;
  const bool registered = engine->Load();
  std::function<void(bool)> ready = std::move(engine->ready_);
  engine->ready_ = nullptr;
  ready(registered);
  return G_SOURCE_REMOVE;
}

bool CPortalEngine::Load() {
  void* module = dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    g_logFile.WriteFormat(__FILE__, __LINE__, L"门户浏览器引擎无法加载：%s",
                          Utf8ToWideString(reason != nullptr ? reason : modulePath_).c_str());
    return false;
  }
  auto create = reinterpret_cast<CreateBrowserEngineProc>(dlsym(module, kCreateBrowserEngineExport));
  if (create == nullptr) {
    g_logFile.WriteFormat(__FILE__, __LINE__, L"门户浏览器引擎无法加载：%s 没有 %s",
                          Utf8ToWideString(modulePath_).c_str(), Utf8ToWideString(kCreateBrowserEngineExport).c_str());
    dlclose(module);
    return false;
  }
  engine_.reset(create(certificateFile_.c_str(), host_.c_str()));
  if (!engine_->IsRegistered()) {
    g_logFile.WriteText(__FILE__, __LINE__, L"没有显示器，门户浏览器引擎未注册");
    return false;
  }
  if (!engine_->TrustsCertificate())
    g_logFile.WriteText(__FILE__, __LINE__, L"门户证书无法读取，门户只接受系统信任的证书");
  return true;
}
