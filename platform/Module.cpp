#include "platform/Module.h"

#include "platform/CodePage.h"
#include "platform/IniDocument.h"
#include "platform/LastError.h"
#include "platform/MachineConfig.h"
#include "platform/MachineRoot.h"
#include "platform/VersionInfo.h"

#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <cwctype>

struct ModuleRecord {
  enum Kind { kExecutable, kKernel32 } kind;
};

namespace {

ModuleRecord g_executable{ModuleRecord::kExecutable};
ModuleRecord g_kernel32{ModuleRecord::kKernel32};

std::wstring Lower(const wchar_t* s) {
  std::wstring out;
  for (; *s; ++s) out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(*s)));
  return out;
}

std::wstring ExecutablePath() {
  std::string target(4096, '\0');
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", target.data(), target.size());
    if (n < 0) return L"";
    if (static_cast<size_t>(n) < target.size()) {
      target.resize(static_cast<size_t>(n));
      return Utf8ToWideString(target);
    }
    target.resize(target.size() * 2);
  }
}

}  // namespace

int MachineSetting(const std::wstring& section, const std::wstring& key, int defaultValue) {
  auto value = IniDocument::Load(MachinePath("machine.ini")).Get(section, key);
  if (!value || value->empty()) return defaultValue;
  wchar_t* end = nullptr;
  long v = std::wcstol(value->c_str(), &end, 10);
  return end == value->c_str() ? defaultValue : static_cast<int>(v);
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  if (!name) return &g_executable;
  std::wstring lower = Lower(name);
  if (lower == L"kernel32" || lower == L"kernel32.dll") return &g_kernel32;
  SetLastError(126);  // ERROR_MOD_NOT_FOUND
  return nullptr;
}

std::wstring ModuleFileName(HMODULE module) {
  if (!module || module->kind == ModuleRecord::kExecutable) return ExecutablePath();
  return Utf8ToWideString(MachinePath("Windows/System32/kernel32.dll"));
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wstring path = ModuleFileName(module);
  if (path.size() >= size) {
    std::wmemcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::wmemcpy(buffer, path.data(), path.size());
  buffer[path.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (module == &g_kernel32 && name && std::strcmp(name, "IsWow64Process") == 0 &&
      MachineSetting(L"kernel32", L"IsWow64Process", 1) != 0)
    return reinterpret_cast<FARPROC>(&IsWow64Process);
  SetLastError(127);  // ERROR_PROC_NOT_FOUND
  return nullptr;
}
