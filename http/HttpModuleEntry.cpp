// The entry of the transfer module ("brisgol-http.so"): libcurl and its
// libraries are mapped when the program's first download needs them, never
// while it starts up.
#include "http/CurlTransport.h"
#include "http/HttpModule.h"

#include <type_traits>

extern "C" __attribute__((visibility("default"))) IHttpTransport* CreateHttpTransport(const char* cookieFile) {
  try {
    return CCurlTransport::Make(cookieFile != nullptr ? cookieFile : "").release();
  } catch (...) {
    return nullptr;
  }
}

static_assert(std::is_same_v<decltype(&CreateHttpTransport), CreateHttpTransportProc>);
