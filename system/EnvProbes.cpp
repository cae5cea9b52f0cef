#include "system/EnvProbes.h"

#include "platform/Files.h"
#include "platform/LastError.h"
#include "platform/Module.h"
#include "platform/Services.h"
#include "platform/VersionInfo.h"
#include "system/Paths.h"

#include <atomic>
#include <vector>

const wchar_t* const kEmulationKeyUser =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
const wchar_t* const kEmulationKeyMachine =
    L"SOFTWARE\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION";

namespace {

// Filled on first use and never refreshed; two first uses racing store the
// same value.
std::atomic<int> g_wow64Cache{-1};
std::atomic<int> g_majorVersionCache{0};

// The most significant file-version word of a file, or nothing.
bool ReadFileVersion(const wchar_t* path, DWORD& versionMS) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return false;
  std::vector<BYTE> block(size + 1, 0);
  if (!GetFileVersionInfoW(path, handle, size, block.data())) return false;
  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixed, &length) || !fixed || length == 0) return false;
  versionMS = static_cast<VS_FIXEDFILEINFO*>(fixed)->dwFileVersionMS;
  return true;
}

std::wstring WindowsDirectory() {
  wchar_t buffer[1024] = {};
  UINT n = GetWindowsDirectoryW(buffer, 1023);
  return n > 0 && n < 1023 ? std::wstring(buffer, n) : std::wstring();
}

}  // namespace

void GetNtdllVersion(int& major, int& minor) {
  std::wstring path = WindowsDirectory() + L"\\System32\\ntdll.dll";
  DWORD versionMS = 0;
  if (ReadFileVersion(path.c_str(), versionMS)) {
    major = static_cast<int>(versionMS >> 16);
    minor = static_cast<int>(versionMS & 0xFFFF);
    return;
  }
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = 284;
  if (GetVersionExW(&info)) {
    major = static_cast<int>(info.dwMajorVersion);
    minor = static_cast<int>(info.dwMinorVersion);
  }
}

bool IsWindows8OrLater() {
  int major = -1, minor = -1;
  GetNtdllVersion(major, minor);
  return (major == 6 && minor >= 2) || major > 6;
}

bool IsPreVistaSystem() {
  if (g_majorVersionCache.load() == 0) {
    int major = -1, minor = -1;
    GetNtdllVersion(major, minor);
    g_majorVersionCache.store(major);
  }
  return g_majorVersionCache.load() < 6;
}

bool IsWow64() {
  int cached = g_wow64Cache.load();
  if (cached == 0 || cached == 1) return cached == 1;
  using IsWow64ProcessFn = BOOL (*)(HANDLE, BOOL*);
  auto fn = reinterpret_cast<IsWow64ProcessFn>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process"));
  BOOL wow64 = FALSE;
  int value = (fn && fn(GetCurrentProcess(), &wow64) && wow64) ? 1 : 0;
  g_wow64Cache.store(value);
  return value == 1;
}

int GetMshtmlMajorVersion() {
  // The library search finds "mshtml.dll" in the system folder.
  std::wstring path = WindowsDirectory() + L"\\System32\\mshtml.dll";
  DWORD versionMS = 0;
  if (!ReadFileVersion(path.c_str(), versionMS)) return 0;
  return static_cast<int>(versionMS >> 16);
}

bool WriteRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                        const void* data, DWORD size) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (result != ERROR_SUCCESS) {
    result = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                             &key, nullptr);
  }
  if (key) {
    result = RegSetValueExW(key, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  return result == ERROR_SUCCESS;
}

void SetBrowserEmulation(DWORD value) {
  std::wstring exeName = GetFileNameOfPath(ModuleFileName(nullptr));
  WriteRegistryValue(HKEY_CURRENT_USER, kEmulationKeyUser, exeName, REG_DWORD, &value, sizeof value);
  WriteRegistryValue(HKEY_LOCAL_MACHINE, kEmulationKeyMachine, exeName, REG_DWORD, &value, sizeof value);
}

int QueryServiceState(const char* name) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return -1;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
  if (!service) {
    DWORD error = GetLastError();
    CloseServiceHandle(manager);
    if (error == ERROR_ACCESS_DENIED) return -2;
    if (error == ERROR_SERVICE_DOES_NOT_EXIST) return -3;
    return -4;
  }
  SERVICE_STATUS status{};
  BOOL ok = QueryServiceStatus(service, &status);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (!ok) return -5;
  return status.dwCurrentState == SERVICE_RUNNING ? 1 : -6;
}
