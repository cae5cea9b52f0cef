#include "http/HttpClient.h"

#include "platform/Debug.h"
#include "platform/Files.h"

#include <curl/curl.h>

#include <cstring>
#include <vector>

namespace {

const char kNotInitialised[] = "InitLibCurl is not invoked";

// libcurl's verbose trace goes to the debug output: the program has no
// console, and body bytes are left out.
int TraceToDebugOutput(CURL*, curl_infotype type, char* data, size_t size, void*) {
  if (type != CURLINFO_TEXT && type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) return 0;
  std::string text(data, size);
  OutputDebugStringA(text.c_str());
  return 0;
}

std::string TrimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The Host header's value: the authority after "://" up to the next "/",
// port included, without user information ("user:pass@"). Empty when the
// URL has no "://".
std::string HostOfUrl(const std::string& url) {
  std::string trimmed = TrimBlanks(url);
  size_t scheme = trimmed.find("://");
  if (scheme == std::string::npos) return std::string();
  size_t start = scheme + 3;
  size_t slash = trimmed.find('/', start);
  std::string host = trimmed.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
  size_t at = host.rfind('@');
  if (at != std::string::npos) host.erase(0, at + 1);
  return host;
}

// Splits extra header text at CR, LF and ";" into non-empty lines.
std::vector<std::string> SplitExtraHeaders(const char* text) {
  std::vector<std::string> lines;
  std::string current;
  for (const char* p = text; *p; ++p) {
    if (*p == '\r' || *p == '\n' || *p == ';') {
      if (!current.empty()) lines.push_back(current);
      current.clear();
    } else {
      current.push_back(*p);
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

}  // namespace

CHttpClient::~CHttpClient() { Cleanup(); }

bool CHttpClient::InitLibCurl(const char* cookieFile) {
  lastError_.clear();
  Cleanup();
  // The first handle of the process also runs libcurl's global set-up;
  // only the configuration thread creates handles, one at a time.
  handle_ = curl_easy_init();
  if (!handle_) return false;
  // Certificates and host names are not verified: the portal and document
  // servers of existing deployments are reached this way (compatibility).
  curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &CHttpClient::BodySink);
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, &CHttpClient::HeaderSink);
  curl_easy_setopt(handle_, CURLOPT_HEADERDATA, &responseHeaders_);
  curl_easy_setopt(handle_, CURLOPT_HEADER, 0L);
  curl_easy_setopt(handle_, CURLOPT_DEBUGFUNCTION, &TraceToDebugOutput);
  curl_easy_setopt(handle_, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle_, CURLOPT_MAXREDIRS, 20L);
  // Only web addresses, also where a redirect leads.
  curl_easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  if (cookieFile && *cookieFile) {
    curl_easy_setopt(handle_, CURLOPT_COOKIEFILE, cookieFile);
    curl_easy_setopt(handle_, CURLOPT_COOKIEJAR, cookieFile);
  }
  SetTimeouts(30, 30);
  return true;
}

bool CHttpClient::SetTimeouts(int totalSeconds, int connectSeconds) {
  if (handle_) {
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_TIMEOUT, static_cast<long>(totalSeconds));
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectSeconds));
  }
  return true;
}

bool CHttpClient::Perform(const char* url, HttpRequestType type, const char* extraHeaders) {
  responseHeaders_.clear();
  responseBody_.clear();
  lastTransferOk_ = false;
  if (!handle_) {
    lastError_ = kNotInitialised;
    return false;
  }
  if (extraHeaders && std::strlen(extraHeaders) >= kMaxExtraHeaderBytes) {
    lastError_ = "extra header text too long";
    return false;
  }

  std::string host = HostOfUrl(url ? url : "");
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Accept: */*");
  headers = curl_slist_append(headers, "Accept-Language: zh-CN");
  headers = curl_slist_append(headers, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)");
  headers = curl_slist_append(headers, "Accept-Encoding: gzip, deflate");
  // Without a host the entry stays empty and no Host line is sent.
  headers = curl_slist_append(headers, host.empty() ? "Host:" : ("Host: " + host).c_str());
  headers = curl_slist_append(headers, "Connection: Keep-Alive");
  if (type == kHttpPatch) headers = curl_slist_append(headers, "X-HTTP-Method-Override: PATCH");
  if (extraHeaders) {
    for (const std::string& line : SplitExtraHeaders(extraHeaders)) headers = curl_slist_append(headers, line.c_str());
  }
  curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(handle_, CURLOPT_ACCEPT_ENCODING, "gzip");

  if (type == kHttpGet) {
    curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
  } else if (type == kHttpPatch) {
    curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, "PATCH");
  }

  curl_easy_setopt(handle_, CURLOPT_URL, url ? url : "");
  const auto result = static_cast<CURLcode>(Transfer());
  bool fileComplete = CloseTargetFile();
  // The list must outlive the transfer only; the handle keeps no copy.
  curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  if (result != CURLE_OK) {
    lastError_ = curl_easy_strerror(result);
    return false;
  }
  if (!fileComplete) {
    lastError_ = "Failed writing received data to disk/application";
    return false;
  }
  lastTransferOk_ = true;
  return true;
}

int CHttpClient::Transfer() {
  CURLM* multi = curl_multi_init();
  if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
  if (curl_multi_add_handle(multi, handle_) != CURLM_OK) {
    curl_multi_cleanup(multi);
    return CURLE_FAILED_INIT;
  }
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  if (abort_ == nullptr || abort_->Bind(multi)) {
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
      if (abort_ != nullptr && abort_->Aborted()) break;
      // Waits for the sockets, libcurl's own next deadline (connect and
      // total time-outs) or the abort's wake-up, and nothing else.
      constexpr int kNoDeadline = 24 * 60 * 60 * 1000;
      if (curl_multi_poll(multi, nullptr, 0, kNoDeadline, nullptr) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        break;
      }
    }
    if (abort_ != nullptr) abort_->Unbind();
  }
  curl_multi_remove_handle(multi, handle_);
  curl_multi_cleanup(multi);
  return result;
}

long CHttpClient::GetResponseCode() const {
  if (!handle_) return 0;
  long code = 0;
  if (curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return code;
}

int CHttpClient::Request(const std::string& url, HttpRequestType type, std::string& response,
                         const char* extraHeaders, const std::wstring& targetFile) {
  CloseTargetFile();
  targetFile_ = targetFile;
  if (!targetFile_.empty()) DeleteFileW(targetFile_.c_str());
  if (url.empty()) return 0;

  size_t separator = targetFile_.find_last_of(L"\\/");
  if (separator != std::wstring::npos && separator > 0) CreateMultiDir(targetFile_.substr(0, separator));

  std::string fullUrl = url;
  if (url.find("http://") == std::string::npos && url.find("https://") == std::string::npos)
    fullUrl = "http://" + url;

  bool ok = Perform(fullUrl.c_str(), type, extraHeaders);
  long code = GetResponseCode();
  if (ok) {
    response = responseBody_;
  } else {
    response = handle_ ? lastError_ : std::string(kNotInitialised);
  }
  return static_cast<int>(code);
}

bool CHttpClient::CreateMultiDir(const std::wstring& path) {
  if (PathIsDirectoryW(path.c_str())) return true;
  size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return false;
  std::wstring parent = path.substr(0, separator);
  if (!PathIsDirectoryW(parent.c_str()) && !CreateMultiDir(parent)) return false;
  return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

void CHttpClient::Cleanup() {
  CloseTargetFile();
  if (handle_) {
    curl_easy_cleanup(handle_);
    handle_ = nullptr;
  }
}

bool CHttpClient::AppendBody(const char* data, size_t bytes) {
  if (maxBodyBytes_ != 0 && responseBody_.size() + bytes > maxBodyBytes_) return false;
  if (!targetFile_.empty()) {
    if (!targetStream_) targetStream_ = _wfopen(targetFile_.c_str(), L"ab+");
    if (!targetStream_) return false;
    if (std::fwrite(data, 1, bytes, targetStream_) != bytes) return false;
  }
  responseBody_.append(data, bytes);
  return true;
}

bool CHttpClient::CloseTargetFile() {
  if (!targetStream_) return true;
  bool ok = std::fclose(targetStream_) == 0;
  targetStream_ = nullptr;
  return ok;
}

// A chunk that cannot be stored whole (file not writable, disk full, body
// over the limit) aborts the transfer, so a cut file never counts as a
// download.
size_t CHttpClient::BodySink(char* data, size_t size, size_t count, void* userData) {
  size_t bytes = size * count;
  if (!userData) return bytes;
  return static_cast<CHttpClient*>(userData)->AppendBody(data, bytes) ? bytes : 0;
}

size_t CHttpClient::HeaderSink(char* data, size_t size, size_t count, void* userData) {
  size_t bytes = size * count;
  if (userData) static_cast<std::string*>(userData)->append(data, bytes);
  return bytes;
}
