// CCurlTransport: a transport over libcurl's easy interface, driven
// through a multi handle so that an abort wakes its wait at once.
// CCurlTransports makes them in the program it is linked into; the program
// itself gets them from the module "brisgol-http.so" (HttpModuleEntry.cpp),
// which holds this code and libcurl's libraries.
#pragma once

#include "http/HttpTransport.h"

typedef void CURL;

class CCurlTransport : public IHttpTransport {
 public:
  // Takes the easy handle.
  explicit CCurlTransport(CURL* handle) : handle_(handle) {}
  ~CCurlTransport() override;
  CCurlTransport(const CCurlTransport&) = delete;
  CCurlTransport& operator=(const CCurlTransport&) = delete;

  // A transport with the fixed options set, or null when libcurl cannot
  // create a handle. The first handle of the process also runs libcurl's
  // global set-up: handles are created on one thread at a time.
  static std::unique_ptr<CCurlTransport> Make(const std::string& cookieFile);

  void SetTimeouts(int totalSeconds, int connectSeconds) override;
  bool Perform(const std::string& url, HttpRequestType type, const std::vector<std::string>& headerLines,
               IHttpTransferHost& host, std::string& error) override;
  long ResponseCode() const override;

 private:
  // Runs the prepared transfer to its end or to the host's abort; a
  // CURLcode.
  int Transfer(IHttpTransferHost& host);

  CURL* handle_;
};

// Transports made in this program, linked with libcurl.
class CCurlTransports : public IHttpTransports {
 public:
  std::unique_ptr<IHttpTransport> Create(const std::string& cookieFile, std::string& error) override;
};
