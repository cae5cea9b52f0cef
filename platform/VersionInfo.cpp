#include "platform/VersionInfo.h"

#include "platform/AtomicFile.h"
#include "platform/LastError.h"
#include "platform/MachineConfig.h"
#include "platform/NativePath.h"

#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr size_t kMaxVersionedFile = 256u * 1024 * 1024;
constexpr char kMarker[] = "FILEVERSION ";

// Finds "FILEVERSION a.b.c.d" in the file and fills the fixed record.
bool ReadFixedInfo(LPCWSTR fileName, VS_FIXEDFILEINFO& info) {
  if (!fileName || !*fileName) return false;
  std::string bytes;
  if (!ReadWholeFile(ToNativePath(fileName), bytes, kMaxVersionedFile)) return false;
  const size_t markerLength = sizeof kMarker - 1;
  for (size_t at = bytes.find(kMarker); at != std::string::npos; at = bytes.find(kMarker, at + 1)) {
    const char* p = bytes.c_str() + at + markerLength;
    unsigned parts[4] = {0, 0, 0, 0};
    int count = 0;
    while (count < 4 && *p >= '0' && *p <= '9') {
      unsigned long v = 0;
      while (*p >= '0' && *p <= '9' && v <= 0xFFFF) v = v * 10 + static_cast<unsigned>(*p++ - '0');
      if (v > 0xFFFF) break;
      parts[count++] = static_cast<unsigned>(v);
      if (*p != '.') break;
      ++p;
    }
    if (count == 0) continue;
    info = VS_FIXEDFILEINFO{};
    info.dwFileVersionMS = (parts[0] << 16) | parts[1];
    info.dwFileVersionLS = (parts[2] << 16) | parts[3];
    info.dwProductVersionMS = info.dwFileVersionMS;
    info.dwProductVersionLS = info.dwFileVersionLS;
    return true;
  }
  return false;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, DWORD* handle) {
  if (handle) *handle = 0;
  VS_FIXEDFILEINFO info;
  if (!ReadFixedInfo(fileName, info)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return sizeof(VS_FIXEDFILEINFO);
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD size, void* data) {
  VS_FIXEDFILEINFO info;
  if (!data || size < sizeof info || !ReadFixedInfo(fileName, info)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  std::memcpy(data, &info, sizeof info);
  return TRUE;
}

BOOL VerQueryValueW(const void* block, LPCWSTR subBlock, void** buffer, UINT* length) {
  if (!block || !subBlock || !buffer || !length || std::wcscmp(subBlock, L"\\") != 0) return FALSE;
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, block, sizeof info);
  if (info.dwSignature != 0xFEEF04BD) return FALSE;
  *buffer = const_cast<void*>(block);
  *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}

BOOL GetVersionExW(OSVERSIONINFOEXW* info) {
  if (!info || info->dwOSVersionInfoSize != 284) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = static_cast<DWORD>(MachineSetting(L"version", L"major", 10));
  info->dwMinorVersion = static_cast<DWORD>(MachineSetting(L"version", L"minor", 0));
  info->dwBuildNumber = static_cast<DWORD>(MachineSetting(L"version", L"build", 19045));
  info->dwPlatformId = 2;  // VER_PLATFORM_WIN32_NT
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL IsWow64Process(HANDLE, BOOL* wow64) {
  if (!wow64) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int wordSize = MachineSetting(L"machine", L"word_size", static_cast<int>(sizeof(void*) * 8));
  *wow64 = wordSize == 64 ? TRUE : FALSE;
  return TRUE;
}
