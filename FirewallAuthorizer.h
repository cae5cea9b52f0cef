// Registers programs as allowed applications of the firewall, through the
// authorized-applications list of its current profile.
#pragma once

#include "platform/Firewall.h"

#include <string>

class FirewallAuthorizer {
 public:
  // Initialises COM on the thread and obtains the list; any failure on the
  // way leaves the authorizer holding nothing.
  FirewallAuthorizer();
  ~FirewallAuthorizer();
  FirewallAuthorizer(const FirewallAuthorizer&) = delete;
  FirewallAuthorizer& operator=(const FirewallAuthorizer&) = delete;

  // True when the image is listed and enabled; a listed but disabled entry
  // is enabled, and the result tells whether that worked.
  bool IsAuthorized(const std::wstring& imagePath);
  // Adds the image under name (or its file name, or "Unknown Name").
  bool Authorize(const std::wstring& imagePath, const std::wstring& name);

 private:
  ComPtr<INetFwAuthorizedApplications> apps_;
  bool comInitialised_ = false;
};
