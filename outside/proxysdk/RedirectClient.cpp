#include "outside/proxysdk/RedirectClient.h"

#include "outside/proxysdk/ServiceStarter.h"

#include <dlfcn.h>

std::string LibraryDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || info.dli_fname == nullptr) return ".";
  std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool EnsureRedirectService(std::string& error) { return ServiceStarter::Instance().Ensure(error); }
