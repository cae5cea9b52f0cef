#include "platform/Resources.h"

#include "platform/LastError.h"

#include <cwctype>
#include <mutex>
#include <string>
#include <deque>

struct ResourceRecord {
  std::uintptr_t typeId = 0;  // numeric type, or 0 with typeName
  std::wstring typeName;
  std::uintptr_t nameId = 0;
  std::wstring name;
  const void* data = nullptr;
  size_t size = 0;
};

namespace {

std::mutex g_resourcesLock;

// A deque keeps the records in place, so handles stay valid as more register.

std::deque<ResourceRecord>& Table() {
  static auto* table = new std::deque<ResourceRecord>;
  return *table;
}

// Text names compare ignoring case, as Windows stores them upper-cased.
void Split(LPCWSTR id, std::uintptr_t& number, std::wstring& text) {
  if (IS_INTRESOURCE(id)) {
    number = reinterpret_cast<std::uintptr_t>(id);
    text.clear();
  } else {
    number = 0;
    text.clear();
    for (const wchar_t* p = id; *p; ++p) text += static_cast<wchar_t>(std::towupper(static_cast<wint_t>(*p)));
  }
}

}  // namespace

bool RegisterModuleResource(LPCWSTR type, LPCWSTR name, const void* data, size_t size) {
  ResourceRecord record;
  Split(type, record.typeId, record.typeName);
  Split(name, record.nameId, record.name);
  record.data = data;
  record.size = size;
  std::lock_guard<std::mutex> guard(g_resourcesLock);
  Table().push_back(std::move(record));
  return true;
}

HRSRC FindResourceW(HMODULE, LPCWSTR name, LPCWSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ResourceRecord wanted;
  Split(type, wanted.typeId, wanted.typeName);
  Split(name, wanted.nameId, wanted.name);
  std::lock_guard<std::mutex> guard(g_resourcesLock);
  for (auto& r : Table()) {
    if (r.typeId == wanted.typeId && r.typeName == wanted.typeName && r.nameId == wanted.nameId &&
        r.name == wanted.name)
      return &r;
  }
  SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return resource->data;
}

const void* LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) { return resource ? static_cast<DWORD>(resource->size) : 0; }

BOOL FreeResource(HGLOBAL) { return FALSE; }  // module resources are never freed, as on Windows
