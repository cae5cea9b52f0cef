#include "http/CurlTransport.h"

#include <curl/curl.h>

namespace {

// Wakes the multi handle a transfer waits in; the abort calls it while
// the transfer has it bound.
class CMultiWake : public ITransferWake {
 public:
  explicit CMultiWake(CURLM* multi) : multi_(multi) {}
  void Wake() override { curl_multi_wakeup(multi_); }

 private:
  CURLM* multi_;
};

int TraceToHost(CURL*, curl_infotype type, char* data, size_t size, void* host) {
  // Body bytes are left out of the trace.
  if (type != CURLINFO_TEXT && type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) return 0;
  static_cast<IHttpTransferHost*>(host)->OnTrace(data, size);
  return 0;
}

size_t BodyToHost(char* data, size_t size, size_t count, void* host) {
  size_t bytes = size * count;
  return static_cast<IHttpTransferHost*>(host)->OnBody(data, bytes) ? bytes : 0;
}

size_t HeaderToHost(char* data, size_t size, size_t count, void* host) {
  size_t bytes = size * count;
  static_cast<IHttpTransferHost*>(host)->OnHeader(data, bytes);
  return bytes;
}

}  // namespace

CCurlTransport::~CCurlTransport() { curl_easy_cleanup(handle_); }

std::unique_ptr<CCurlTransport> CCurlTransport::Make(const std::string& cookieFile) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return nullptr;
  // Certificates and host names are not verified: the portal and document
  // servers of existing deployments are reached this way (compatibility).
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &BodyToHost);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &HeaderToHost);
  curl_easy_setopt(handle, CURLOPT_HEADER, 0L);
  curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &TraceToHost);
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 20L);
  // Only web addresses, also where a redirect leads.
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "gzip");
  if (!cookieFile.empty()) {
    curl_easy_setopt(handle, CURLOPT_COOKIEFILE, cookieFile.c_str());
    curl_easy_setopt(handle, CURLOPT_COOKIEJAR, cookieFile.c_str());
  }
  auto transport = std::make_unique<CCurlTransport>(handle);
  transport->SetTimeouts(30, 30);
  return transport;
}

void CCurlTransport::SetTimeouts(int totalSeconds, int connectSeconds) {
  curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle_, CURLOPT_TIMEOUT, static_cast<long>(totalSeconds));
  curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectSeconds));
}

bool CCurlTransport::Perform(const std::string& url, HttpRequestType type, const std::vector<std::string>& headerLines,
                             IHttpTransferHost& host, std::string& error) {
  curl_slist* headers = nullptr;
  for (const std::string& line : headerLines) headers = curl_slist_append(headers, line.c_str());
  curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
  if (type == kHttpGet) {
    curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
  } else if (type == kHttpPatch) {
    curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, "PATCH");
  }
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &host);
  curl_easy_setopt(handle_, CURLOPT_HEADERDATA, &host);
  curl_easy_setopt(handle_, CURLOPT_DEBUGDATA, &host);
  curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
  const auto result = static_cast<CURLcode>(Transfer(host));
  // The list and the host must outlive the transfer only; the handle
  // keeps no copy of either.
  curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(handle_, CURLOPT_HEADERDATA, nullptr);
  curl_easy_setopt(handle_, CURLOPT_DEBUGDATA, nullptr);
  curl_slist_free_all(headers);
  if (result == CURLE_OK) return true;
  error = curl_easy_strerror(result);
  return false;
}

int CCurlTransport::Transfer(IHttpTransferHost& host) {
  CURLM* multi = curl_multi_init();
  if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
  if (curl_multi_add_handle(multi, handle_) != CURLM_OK) {
    curl_multi_cleanup(multi);
    return CURLE_FAILED_INIT;
  }
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  CMultiWake wake(multi);
  if (host.BindWake(wake)) {
    for (;;) {
      int running = 0;
      if (curl_multi_perform(multi, &running) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        break;
      }
      if (running == 0) {
        int left = 0;
        CURLMsg* message = curl_multi_info_read(multi, &left);
        result = message != nullptr && message->msg == CURLMSG_DONE ? message->data.result : CURLE_FAILED_INIT;
        break;
      }
      if (host.Aborted()) break;
      // Waits for the sockets, libcurl's own next deadline (connect and
      // total time-outs) or the abort's wake-up, and nothing else.
      constexpr int kNoDeadline = 24 * 60 * 60 * 1000;
      if (curl_multi_poll(multi, nullptr, 0, kNoDeadline, nullptr) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        break;
      }
    }
    host.UnbindWake();
  }
  curl_multi_remove_handle(multi, handle_);
  curl_multi_cleanup(multi);
  return result;
}

long CCurlTransport::ResponseCode() const {
  long code = 0;
  if (curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return code;
}

std::unique_ptr<IHttpTransport> CCurlTransports::Create(const std::string& cookieFile, std::string& error) {
  std::unique_ptr<IHttpTransport> transport = CCurlTransport::Make(cookieFile);
  if (transport == nullptr) error = "libcurl cannot create a handle";
  return transport;
}
