#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/IniDocument.h"
#include "platform/LastError.h"
#include "platform/MachineRoot.h"
#include "platform/WideFormat.h"

#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <mutex>
#include <string>

// A key: its root's name and its path below the root. The two roots are
// static; opened keys are allocated and freed by RegCloseKey.
struct RegistryKey {
  std::wstring root;
  std::wstring path;  // "" for the root itself
  bool isRoot = false;
};

namespace {

std::mutex g_registryLock;

std::string StorePath() { return MachinePath("registry.reg"); }

std::wstring FullName(const RegistryKey& key) { return key.path.empty() ? key.root : key.root + L"\\" + key.path; }

bool Writable(const RegistryKey& key) { return key.root != L"HKEY_LOCAL_MACHINE" || ::geteuid() == 0; }

bool ValidKey(HKEY key) { return key != nullptr; }

std::wstring Join(const RegistryKey& base, LPCWSTR subKey) {
  std::wstring sub = subKey ? subKey : L"";
  while (!sub.empty() && sub.front() == L'\\') sub.erase(0, 1);
  while (!sub.empty() && sub.back() == L'\\') sub.pop_back();
  if (base.path.empty()) return sub;
  return sub.empty() ? base.path : base.path + L"\\" + sub;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  return true;
}

bool KeyExists(const IniDocument& doc, const std::wstring& fullName) {
  for (const auto& section : doc.Sections()) {
    if (SameText(section, fullName)) return true;
    if (section.size() > fullName.size() && section[fullName.size()] == L'\\' &&
        SameText(section.substr(0, fullName.size()), fullName))
      return true;
  }
  return false;
}

// Value names are stored quoted ("name"); the unnamed value as "@".
bool ValueKey(LPCWSTR valueName, std::wstring& key) {
  std::wstring name = valueName ? valueName : L"";
  if (name.empty()) {
    key = L"@";
    return true;
  }
  if (name.find_first_of(L"\"=\r\n") != std::wstring::npos) return false;
  key = L"\"" + name + L"\"";
  return true;
}

std::wstring Encode(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_DWORD && size == 4) {
    DWORD v = static_cast<DWORD>(data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24));
    return FormatWide(32, L"dword:%08x", v);
  }
  if (type == REG_SZ) {
    std::wstring text;
    for (DWORD i = 0; i + sizeof(wchar_t) <= size; i += sizeof(wchar_t)) {
      wchar_t c;
      std::memcpy(&c, data + i, sizeof c);
      if (c == 0) break;
      if (c == L'\\' || c == L'"') text += L'\\';
      if (c == L'\r' || c == L'\n') {
        text += c == L'\r' ? L"\\r" : L"\\n";
        continue;
      }
      text += c;
    }
    return L"\"" + text + L"\"";
  }
  std::wstring hex = FormatWide(32, L"hex(%x):", type);
  for (DWORD i = 0; i < size; ++i) hex += FormatWide(8, i ? L",%02x" : L"%02x", data[i]);
  return hex;
}

bool Decode(const std::wstring& text, DWORD& type, std::string& bytes) {
  bytes.clear();
  if (text.rfind(L"dword:", 0) == 0) {
    if (text.size() != 14) return false;
    DWORD v = static_cast<DWORD>(std::wcstoul(text.c_str() + 6, nullptr, 16));
    type = REG_DWORD;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    return true;
  }
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    std::wstring value;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      wchar_t c = text[i];
      if (c == L'\\' && i + 2 < text.size()) {
        wchar_t e = text[++i];
        c = e == L'r' ? L'\r' : e == L'n' ? L'\n' : e;
      }
      value += c;
    }
    type = REG_SZ;
    bytes.assign(reinterpret_cast<const char*>(value.c_str()), (value.size() + 1) * sizeof(wchar_t));
    return true;
  }
  if (text.rfind(L"hex(", 0) == 0) {
    size_t close = text.find(L"):");
    if (close == std::wstring::npos) return false;
    type = static_cast<DWORD>(std::wcstoul(text.c_str() + 4, nullptr, 16));
    for (size_t i = close + 2; i + 1 < text.size() + 1;) {
      wchar_t* end = nullptr;
      unsigned long b = std::wcstoul(text.c_str() + i, &end, 16);
      if (end == text.c_str() + i || b > 0xFF) return false;
      bytes += static_cast<char>(b);
      i = static_cast<size_t>(end - text.c_str());
      if (i < text.size() && text[i] == L',') ++i;
      else break;
    }
    return true;
  }
  return false;
}

LONG OpenOrCreate(HKEY root, LPCWSTR subKey, bool create, HKEY* result) {
  if (!ValidKey(root) || !result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto* key = new RegistryKey{root->root, Join(*root, subKey), false};
  std::lock_guard<std::mutex> guard(g_registryLock);
  StoreFileLock fileLock(StorePath());
  IniDocument doc = IniDocument::Load(StorePath());
  if (key->path.empty() || KeyExists(doc, FullName(*key))) {
    *result = key;
    return ERROR_SUCCESS;
  }
  if (!create) {
    delete key;
    return ERROR_FILE_NOT_FOUND;
  }
  if (!Writable(*key)) {
    delete key;
    return ERROR_ACCESS_DENIED;
  }
  doc.Set(FullName(*key), L"@", L"\"\"");
  doc.RemoveKey(FullName(*key), L"@");
  if (!doc.Save(StorePath())) {
    delete key;
    return ERROR_ACCESS_DENIED;
  }
  *result = key;
  return ERROR_SUCCESS;
}

}  // namespace

HKEY HKEY_CURRENT_USER_ROOT() {
  static RegistryKey root{L"HKEY_CURRENT_USER", L"", true};
  return &root;
}

HKEY HKEY_LOCAL_MACHINE_ROOT() {
  static RegistryKey root{L"HKEY_LOCAL_MACHINE", L"", true};
  return &root;
}

LONG RegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD, REGSAM access, HKEY* result) {
  if (root && (access & KEY_SET_VALUE) && !Writable(*root)) return ERROR_ACCESS_DENIED;
  return OpenOrCreate(root, subKey, false, result);
}

LONG RegCreateKeyExW(HKEY root, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, void*, HKEY* result, DWORD* disposition) {
  if (disposition) *disposition = 0;
  return OpenOrCreate(root, subKey, true, result);
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (!ValidKey(key) || (!data && size)) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && size != 4) return ERROR_INVALID_PARAMETER;
  if (!Writable(*key)) return ERROR_ACCESS_DENIED;
  std::wstring name;
  if (!ValueKey(valueName, name)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_registryLock);
  StoreFileLock fileLock(StorePath());
  IniDocument doc = IniDocument::Load(StorePath());
  const std::wstring encoded = Encode(type, data, size);
  // A value set to what it holds already leaves the store untouched (no
  // rewrite, no flush to disk): start-up sets the same values every time.
  if (doc.Get(FullName(*key), name) == encoded) return ERROR_SUCCESS;
  doc.Set(FullName(*key), name, encoded);
  return doc.Save(StorePath()) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  if (!ValidKey(key)) return ERROR_INVALID_PARAMETER;
  std::wstring name;
  if (!ValueKey(valueName, name)) return ERROR_FILE_NOT_FOUND;
  std::optional<std::wstring> text;
  {
    std::lock_guard<std::mutex> guard(g_registryLock);
    text = IniDocument::Load(StorePath()).Get(FullName(*key), name);
  }
  DWORD valueType = REG_NONE;
  std::string bytes;
  if (!text || !Decode(*text, valueType, bytes)) return ERROR_FILE_NOT_FOUND;
  if (type) *type = valueType;
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (!data) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return 234;  // ERROR_MORE_DATA
  }
  std::memcpy(data, bytes.data(), bytes.size());
  *size = needed;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!ValidKey(key)) return ERROR_INVALID_HANDLE;
  if (!key->isRoot) delete key;
  return ERROR_SUCCESS;
}
