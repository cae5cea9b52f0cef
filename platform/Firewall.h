// The firewall's authorized-applications list, reached through the legacy
// firewall interfaces: manager -> local policy -> current profile ->
// authorized applications. The list is kept under the machine root
// ("firewall.txt": one line per entry, "enabled<TAB>name<TAB>path").
// Image paths compare in their native form, so "\\" and "/" match.
#pragma once

#include "platform/Automation.h"

inline constexpr CLSID CLSID_NetFwMgr{0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
inline constexpr CLSID CLSID_NetFwAuthorizedApplication{
    0xEC9846B3, 0x2762, 0x4A6B, {0xA2, 0x14, 0x6A, 0xCB, 0x60, 0x34, 0x62, 0xD2}};
inline constexpr IID IID_INetFwMgr{0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};
inline constexpr IID IID_INetFwPolicy{0xD46D2478, 0x9AC9, 0x4008, {0x9D, 0xC7, 0x55, 0x63, 0xCE, 0x55, 0x36, 0xCC}};
inline constexpr IID IID_INetFwProfile{0x174A0DDA, 0xE9F9, 0x449D, {0x99, 0x3B, 0x21, 0xAB, 0x66, 0x7C, 0xA4, 0x56}};
inline constexpr IID IID_INetFwAuthorizedApplications{
    0x644EFD52, 0xCCF9, 0x486C, {0x97, 0xA2, 0x39, 0xF3, 0x52, 0x57, 0x0B, 0x30}};
inline constexpr IID IID_INetFwAuthorizedApplication{
    0xB5E64FFA, 0xC2C5, 0x444E, {0xA3, 0x01, 0xFB, 0x5E, 0x00, 0x01, 0x80, 0x50}};

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
