// The firewall's authorized-applications list, reached through the legacy
// firewall interfaces: manager -> local policy -> current profile ->
// authorized applications. The list is kept under the machine root
// ("firewall.txt": one line per entry, "enabled<TAB>name<TAB>path").
// Image paths compare in their native form, so "\\" and "/" match.
#pragma once

#include "platform/Com.h"

struct INetFwAuthorizedApplication : IUnknown {
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(const wchar_t* name) = 0;
  virtual HRESULT get_ProcessImageFileName(BSTR* path) = 0;
  virtual HRESULT put_ProcessImageFileName(const wchar_t* path) = 0;
  virtual HRESULT get_Enabled(VARIANT_BOOL* enabled) = 0;
  virtual HRESULT put_Enabled(VARIANT_BOOL enabled) = 0;
};

struct INetFwAuthorizedApplications : IUnknown {
  virtual HRESULT get_Count(long* count) = 0;
  // HRESULT_FILE_NOT_FOUND when the path is not listed.
  virtual HRESULT Item(const wchar_t* imagePath, INetFwAuthorizedApplication** app) = 0;
  virtual HRESULT Add(INetFwAuthorizedApplication* app) = 0;
  virtual HRESULT Remove(const wchar_t* imagePath) = 0;
};

struct INetFwProfile : IUnknown {
  virtual HRESULT get_AuthorizedApplications(INetFwAuthorizedApplications** apps) = 0;
};

struct INetFwPolicy : IUnknown {
  virtual HRESULT get_CurrentProfile(INetFwProfile** profile) = 0;
};

struct INetFwMgr : IUnknown {
  virtual HRESULT get_LocalPolicy(INetFwPolicy** policy) = 0;
};

// Factories used by CoCreateInstance.
HRESULT CreateFirewallManager(INetFwMgr** result);
HRESULT CreateFirewallApplication(INetFwAuthorizedApplication** result);
