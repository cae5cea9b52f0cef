// CHttpClient: the small HTTP/HTTPS client every remote document is fetched
// with, over a transport (libcurl's easy interface) from the source handed
// in.
//
// Each request sends a fixed, browser-like header set, follows redirects
// (http and https only), accepts gzip, gives up after 30 seconds, and keeps
// the body in memory while also streaming it into a target file when one is
// named. One client serves one download on one thread. A transfer waits
// for its sockets and its time-outs only (no polling), and an abort handed
// in ends it at once from any thread.
#pragma once

#include "http/HttpTransport.h"
#include "http/TransferAbort.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CHttpClient : private IHttpTransferHost {
 public:
  // transports must outlive the client.
  explicit CHttpClient(IHttpTransports& transports) : transports_(transports) {}
  CHttpClient(const CHttpClient&) = delete;
  CHttpClient& operator=(const CHttpClient&) = delete;
  ~CHttpClient();

  // Creates the transport (libcurl's easy handle with the fixed options);
  // cookieFile (may be null or empty) is used as cookie file and jar.
  // False with LastError() set when none can be made (libcurl cannot
  // create a handle, or its module cannot be loaded).
  bool InitLibCurl(const char* cookieFile);
  // Total and connect time-outs in seconds. Always true.
  bool SetTimeouts(int totalSeconds, int connectSeconds);
  // One transfer. True when the transport reports success, whatever the
  // HTTP status; false with LastError() set otherwise. Extra header text of
  // kMaxExtraHeaderBytes or more is refused (false, no transfer).
  bool Perform(const char* url, HttpRequestType type, const char* extraHeaders);
  // The HTTP status of the last transfer, 0 when there was none.
  long GetResponseCode() const;
  // The complete request: clears and names the target file (empty: memory
  // only), creates its directory, adds "http://" to a URL without a scheme,
  // runs the transfer. response receives the body, or the error text.
  // Returns the HTTP status (0 when there was none).
  int Request(const std::string& url, HttpRequestType type, std::string& response, const char* extraHeaders,
              const std::wstring& targetFile);
  // Creates the directory and every missing parent.
  static bool CreateMultiDir(const std::wstring& path);
  void Cleanup();

  // Transfers from now on end as soon as abort is raised (null: never).
  // The abort must outlive the client's transfers.
  void SetAbort(CTransferAbort* abort) { abort_ = abort; }
  // A body larger than this aborts the transfer (0: no limit).
  void SetMaxBodyBytes(std::uint64_t maxBytes) { maxBodyBytes_ = maxBytes; }
  // Whether the last Perform reported success.
  bool LastTransferSucceeded() const { return lastTransferOk_; }

  const std::string& ResponseHeaders() const { return responseHeaders_; }
  const std::string& ResponseBody() const { return responseBody_; }
  const std::string& LastError() const { return lastError_; }

  // Extra header text is copied into a buffer of this size, terminator
  // included.
  static constexpr size_t kMaxExtraHeaderBytes = 1024;

 private:
  // The transport's calls during a transfer. A chunk that cannot be
  // stored whole (file not writable, disk full, body over the limit)
  // aborts the transfer, so a cut file never counts as a download.
  bool OnBody(const char* data, size_t bytes) override;
  void OnHeader(const char* data, size_t bytes) override;
  void OnTrace(const char* text, size_t bytes) override;
  bool BindWake(ITransferWake& wake) override;
  void UnbindWake() override;
  bool Aborted() const override;
  // False when the last bytes could not be flushed.
  bool CloseTargetFile();

  IHttpTransports& transports_;
  std::string responseHeaders_;
  std::string responseBody_;
  std::unique_ptr<IHttpTransport> transport_;
  // Why the last InitLibCurl made no transport (empty: it was not called).
  std::string initError_;
  std::string lastError_;
  std::wstring targetFile_;
  // The target file while a transfer writes into it.
  std::FILE* targetStream_ = nullptr;
  std::uint64_t maxBodyBytes_ = 0;
  CTransferAbort* abort_ = nullptr;
  bool lastTransferOk_ = false;
};
