#include "platform/Module.h"

#include "platform/CodePage.h"
#include "platform/IniDocument.h"
#include "platform/LastError.h"
#include "platform/MachineConfig.h"
#include "platform/MachineRoot.h"
#include "platform/NativePath.h"
#include "platform/VersionInfo.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <cwctype>

struct ModuleRecord {
  enum Kind { kExecutable, kKernel32, kLoaded } kind;
  void* library = nullptr;  // dlopen handle of a loaded module
  std::wstring path;        // as it was asked for
};

namespace {

ModuleRecord g_executable{ModuleRecord::kExecutable, nullptr, {}};
ModuleRecord g_kernel32{ModuleRecord::kKernel32, nullptr, {}};

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
  if (module->kind == ModuleRecord::kLoaded) return module->path;
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
  if (module && module->kind == ModuleRecord::kLoaded && name) {
    if (void* symbol = ::dlsym(module->library, name)) return reinterpret_cast<FARPROC>(symbol);
  }
  if (module == &g_kernel32 && name && std::strcmp(name, "IsWow64Process") == 0 &&
      MachineSetting(L"kernel32", L"IsWow64Process", 1) != 0)
    return reinterpret_cast<FARPROC>(&IsWow64Process);
  SetLastError(127);  // ERROR_PROC_NOT_FOUND
  return nullptr;
}

HMODULE LoadLibraryW(LPCWSTR path) {
  if (!path || !*path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Symbols stay local to the module: two modules may export the same names.
  void* library = ::dlopen(ToNativePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    SetLastError(126);  // ERROR_MOD_NOT_FOUND
    return nullptr;
  }
  return new ModuleRecord{ModuleRecord::kLoaded, library, path};
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || module->kind != ModuleRecord::kLoaded) return FALSE;
  ::dlclose(module->library);
  delete module;
  return TRUE;
}
