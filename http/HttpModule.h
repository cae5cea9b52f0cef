// CHttpModule: the transports of the module "brisgol-http.so" beside the
// program, which holds the libcurl transport and brings libcurl's
// libraries (TLS, Kerberos, LDAP, SSH, IDN, ...). Starting up then never
// maps and relocates them: the module is loaded by the first Create, on
// the thread that wants to download (the configuration thread, after the
// main window is on screen), and stays loaded for the life of the process
// (libcurl keeps global state).
//
// The module exports one function, kCreateHttpTransportExport, of type
// CreateHttpTransportProc.
#pragma once

#include "http/HttpTransport.h"

#include <mutex>
#include <string>

// A new transport with cookieFile (may be empty) as cookie file and jar,
// or null when libcurl cannot create a handle. Never throws.
using CreateHttpTransportProc = IHttpTransport* (*)(const char* cookieFile);
constexpr char kCreateHttpTransportExport[] = "CreateHttpTransport";

class CHttpModule : public IHttpTransports {
 public:
  // modulePath: the module's native path.
  explicit CHttpModule(std::string modulePath) : modulePath_(std::move(modulePath)) {}

  // Loads the module on the first call; calls are served one at a time. A module that is missing or does
  // not export the function makes no transport: the first failure is
  // logged, and every call returns null with the reason in error.
  std::unique_ptr<IHttpTransport> Create(const std::string& cookieFile, std::string& error) override;

 private:
  // Under lock_: the module's function, loading it if not tried yet; null
  // with loadError_ set when it cannot be had.
  CreateHttpTransportProc Load();

  const std::string modulePath_;
  std::mutex lock_;
  bool tried_ = false;
  CreateHttpTransportProc create_ = nullptr;
  std::string loadError_;
};
