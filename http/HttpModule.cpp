#include "http/HttpModule.h"

#include "platform/CodePage.h"
#include "system/WriteLogFile.h"

#include <dlfcn.h>

std::unique_ptr<IHttpTransport> CHttpModule::Create(const std::string& cookieFile, std::string& error) {
  // Handles are made one at a time too: the first runs libcurl's global
  // set-up, which must not run twice at once.
  std::lock_guard<std::mutex> hold(lock_);
  CreateHttpTransportProc create = Load();
  if (create == nullptr) {
    error = loadError_;
    return nullptr;
  }
  std::unique_ptr<IHttpTransport> transport(create(cookieFile.c_str()));
  if (transport == nullptr) error = "libcurl cannot create a handle";
  return transport;
}

CreateHttpTransportProc CHttpModule::Load() {
  if (tried_) return create_;
  tried_ = true;
  void* module = dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    loadError_ = "the transfer module cannot be loaded: " + std::string(reason != nullptr ? reason : modulePath_);
  } else if ((create_ = reinterpret_cast<CreateHttpTransportProc>(dlsym(module, kCreateHttpTransportExport))) ==
             nullptr) {
    loadError_ = "the transfer module " + modulePath_ + " has no " + kCreateHttpTransportExport;
    dlclose(module);
  }
  if (create_ == nullptr)
    g_logFile.WriteFormat(__FILE__, __LINE__, L"网络传输模块无法加载：%s", Utf8ToWideString(loadError_).c_str());
  return create_;
}
