#include "platform/NativePath.h"

#include "platform/CodePage.h"

std::string ToNativePath(const std::wstring& path) {
  std::wstring slashed = path;
  for (auto& c : slashed)
    if (c == L'\\') c = L'/';
  return WideToUtf8String(slashed);
}

std::string ToNativePath(const wchar_t* path) { return path ? ToNativePath(std::wstring(path)) : std::string(); }

std::wstring FromNativePath(const std::string& path) { return Utf8ToWideString(path); }
