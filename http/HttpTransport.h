// The seam between CHttpClient and the code that moves the bytes: the
// client builds the request and keeps what arrives; a transport (libcurl's
// easy interface, see CurlTransport.h) makes the transfer. Transports come
// from an IHttpTransports handed in, so the program can keep libcurl and
// its libraries in a module it loads on first use (see HttpModule.h).
//
// Only the C++ standard library crosses this seam: a transport made in a
// module needs nothing from the program.
#pragma once

#include "http/TransferAbort.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Request type codes: 1 GET, 3 PATCH; any other code leaves the
// transport's default method (GET). The client has no form posting:
// nothing sends one.
using HttpRequestType = int;
constexpr HttpRequestType kHttpGet = 1;
constexpr HttpRequestType kHttpPatch = 3;

// The client's side of one transfer, called on the transferring thread.
class IHttpTransferHost {
 public:
  // A piece of the body; false ends the transfer as failed.
  virtual bool OnBody(const char* data, size_t bytes) = 0;
  // A piece of the response's header text.
  virtual void OnHeader(const char* data, size_t bytes) = 0;
  // A line of the transfer's trace (no body bytes).
  virtual void OnTrace(const char* text, size_t bytes) = 0;
  // The transfer's wait may be woken through wake until UnbindWake; false
  // when the transfer is aborted already (it is not made).
  virtual bool BindWake(ITransferWake& wake) = 0;
  virtual void UnbindWake() = 0;
  // Looked at whenever the transfer wakes.
  virtual bool Aborted() const = 0;

 protected:
  ~IHttpTransferHost() = default;
};

// One connection handle: transfers one after the other on one thread,
// sharing cookies and connections.
class IHttpTransport {
 public:
  virtual ~IHttpTransport() = default;
  // Total and connect time-outs in seconds.
  virtual void SetTimeouts(int totalSeconds, int connectSeconds) = 0;
  // One transfer with the given header lines; follows redirects (http and
  // https only), accepts gzip. True on success, whatever the HTTP status;
  // false with error set otherwise (an abort included).
  virtual bool Perform(const std::string& url, HttpRequestType type, const std::vector<std::string>& headerLines,
                       IHttpTransferHost& host, std::string& error) = 0;
  // The HTTP status of the last transfer, 0 when there was none.
  virtual long ResponseCode() const = 0;
};

// Where clients get their transports. Safe to call from any thread.
class IHttpTransports {
 public:
  virtual ~IHttpTransports() = default;
  // A new transport using cookieFile (empty: none) as cookie file and jar,
  // or null with error set when none can be made.
  virtual std::unique_ptr<IHttpTransport> Create(const std::string& cookieFile, std::string& error) = 0;
};
