#include "platform/Profile.h"

#include "platform/IniDocument.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/VirtualStore.h"

#include <cwchar>
#include <cwctype>
#include <mutex>

namespace {

// Profile writes read, change and replace the whole file.
std::mutex g_profileLock;

// The file a profile operation reads or changes (VirtualStore.h).
bool NativeProfilePath(LPCWSTR path, FileAccess access, std::string& native) {
  if (!path || !*path || std::wcslen(path) > kMaxWidePath) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (DWORD error = ResolveProgramFile(ToNativePath(path), access, native); error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  return true;
}

}  // namespace

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR path) {
  std::string native;
  if (!section || !key || !NativeProfilePath(path, FileAccess::kRead, native)) return static_cast<UINT>(defaultValue);
  std::lock_guard<std::mutex> guard(g_profileLock);
  auto value = IniDocument::Load(native).Get(section, key);
  if (!value) return static_cast<UINT>(defaultValue);
  const wchar_t* p = value->c_str();
  while (*p == L' ' || *p == L'\t') ++p;
  bool negative = false;
  if (*p == L'-' || *p == L'+') negative = *p++ == L'-';
  std::int64_t number = 0;
  while (*p >= L'0' && *p <= L'9') {
    number = number * 10 + (*p++ - L'0');
    if (number > 0xFFFFFFFFll) number = 0xFFFFFFFFll;
  }
  return static_cast<UINT>(negative ? -number : number);
}

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR path) {
  if (!buffer || size == 0) return 0;
  std::wstring result = defaultValue ? defaultValue : L"";
  std::string native;
  if (section && key && NativeProfilePath(path, FileAccess::kRead, native)) {
    std::lock_guard<std::mutex> guard(g_profileLock);
    if (auto value = IniDocument::Load(native).Get(section, key)) result = *value;
  }
  size_t n = std::min(result.size(), static_cast<size_t>(size - 1));
  std::wmemcpy(buffer, result.data(), n);
  buffer[n] = 0;
  return static_cast<DWORD>(n);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path) {
  std::string native;
  if (!section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(g_profileLock);
  if (!NativeProfilePath(path, FileAccess::kModify, native)) return FALSE;
  IniDocument doc = IniDocument::Load(native);
  if (!key)
    doc.RemoveSection(section);
  else if (!value)
    doc.RemoveKey(section, key);
  else
    doc.Set(section, key, value);
  if (!doc.Save(native)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}
