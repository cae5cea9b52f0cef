#include "http/HttpClient.h"

#include "platform/Debug.h"
#include "platform/Files.h"

#include <cstring>
#include <vector>

namespace {

const char kNotInitialised[] = "InitLibCurl is not invoked";

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
  initError_.clear();
  Cleanup();
  transport_ = transports_.Create(cookieFile ? cookieFile : "", initError_);
  if (transport_ == nullptr) {
    lastError_ = initError_;
    return false;
  }
  return true;
}

bool CHttpClient::SetTimeouts(int totalSeconds, int connectSeconds) {
  if (transport_) transport_->SetTimeouts(totalSeconds, connectSeconds);
  return true;
}

bool CHttpClient::Perform(const char* url, HttpRequestType type, const char* extraHeaders) {
  responseHeaders_.clear();
  responseBody_.clear();
  lastTransferOk_ = false;
  if (!transport_) {
    lastError_ = initError_.empty() ? kNotInitialised : initError_;
    return false;
  }
  if (extraHeaders && std::strlen(extraHeaders) >= kMaxExtraHeaderBytes) {
    lastError_ = "extra header text too long";
    return false;
  }

  std::string host = HostOfUrl(url ? url : "");
  std::vector<std::string> headers = {
      "Accept: */*",
      "Accept-Language: zh-CN",
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
      "Accept-Encoding: gzip, deflate",
      // Without a host the entry stays empty and no Host line is sent.
      host.empty() ? "Host:" : "Host: " + host,
      "Connection: Keep-Alive",
  };
  if (type == kHttpPatch) headers.push_back("X-HTTP-Method-Override: PATCH");
  if (extraHeaders) {
    for (std::string& line : SplitExtraHeaders(extraHeaders)) headers.push_back(std::move(line));
  }

  std::string error;
  const bool transferred = transport_->Perform(url ? url : "", type, headers, *this, error);
  bool fileComplete = CloseTargetFile();
  if (!transferred) {
    lastError_ = error;
    return false;
  }
  if (!fileComplete) {
    lastError_ = "Failed writing received data to disk/application";
    return false;
  }
  lastTransferOk_ = true;
  return true;
}

long CHttpClient::GetResponseCode() const { return transport_ ? transport_->ResponseCode() : 0; }

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
    response = lastError_;
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
  transport_.reset();
}

bool CHttpClient::OnBody(const char* data, size_t bytes) {
  if (maxBodyBytes_ != 0 && responseBody_.size() + bytes > maxBodyBytes_) return false;
  if (!targetFile_.empty()) {
    if (!targetStream_) targetStream_ = _wfopen(targetFile_.c_str(), L"ab+");
    if (!targetStream_) return false;
    if (std::fwrite(data, 1, bytes, targetStream_) != bytes) return false;
  }
  responseBody_.append(data, bytes);
  return true;
}

void CHttpClient::OnHeader(const char* data, size_t bytes) { responseHeaders_.append(data, bytes); }

// The trace goes to the debug output: the program has no console.
void CHttpClient::OnTrace(const char* text, size_t bytes) { OutputDebugStringA(std::string(text, bytes).c_str()); }

bool CHttpClient::BindWake(ITransferWake& wake) { return abort_ == nullptr || abort_->Bind(wake); }

void CHttpClient::UnbindWake() {
  if (abort_ != nullptr) abort_->Unbind();
}

bool CHttpClient::Aborted() const { return abort_ != nullptr && abort_->Aborted(); }

bool CHttpClient::CloseTargetFile() {
  if (!targetStream_) return true;
  bool ok = std::fclose(targetStream_) == 0;
  targetStream_ = nullptr;
  return ok;
}
