// The registry of the layer: the two root keys the system writes, kept in
// one store file under the machine root ("registry.reg", the text form of a
// registry export). Writing below HKEY_LOCAL_MACHINE needs administrator
// rights, which on this host means running as root.
#pragma once

#include "platform/Types.h"

struct RegistryKey;
using HKEY = RegistryKey*;

HKEY HKEY_CURRENT_USER_ROOT();
HKEY HKEY_LOCAL_MACHINE_ROOT();
#define HKEY_CURRENT_USER (HKEY_CURRENT_USER_ROOT())
#define HKEY_LOCAL_MACHINE (HKEY_LOCAL_MACHINE_ROOT())

using REGSAM = DWORD;
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Results are Win32 error codes (ERROR_SUCCESS on success).
LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                     void* securityAttributes, HKEY* result, DWORD* disposition);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegCloseKey(HKEY key);
