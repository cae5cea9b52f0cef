// The contract of a browser engine module: a shared library the program
// loads at run time that registers a WebBrowser engine under
// CLSID_WebBrowser (and the ProgID "Shell.Explorer.2"). The module exports
// one function, kCreateBrowserEngineExport, of type CreateBrowserEngineProc;
// the registration lasts as long as the object it returns.
//
// The module takes the platform layer (windows, COM, device contexts) from
// the program, which exports its symbols for that; it brings only the
// engine and the libraries the engine needs.
#pragma once

class IBrowserEngineClass {
 public:
  virtual ~IBrowserEngineClass() = default;
  // False without a display (nothing was registered).
  virtual bool IsRegistered() const = 0;
  // The certificate file could be read and is trusted for the host.
  virtual bool TrustsCertificate() const = 0;
};

// certificateFile: a PEM file trusted for host only (empty: none). Display
// thread only; never null.
using CreateBrowserEngineProc = IBrowserEngineClass* (*)(const char* certificateFile, const char* host);
constexpr char kCreateBrowserEngineExport[] = "CreateBrowserEngine";
