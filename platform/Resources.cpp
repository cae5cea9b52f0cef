#include "platform/Resources.h"

#include "platform/LastError.h"

#include <cstring>
#include <cwctype>
#include <mutex>
#include <string>
#include <deque>
#include <vector>

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

bool RegisterIconFileResource(LPCWSTR name, const void* data, size_t size) {
  // An icon file: ICONDIR, then one 16-byte entry per image with the
  // image's size and offset in the file.
  auto* bytes = static_cast<const BYTE*>(data);
  auto word = [bytes](size_t at) { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); };
  auto dword = [bytes](size_t at) {
    return static_cast<DWORD>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                              (static_cast<DWORD>(bytes[at + 3]) << 24));
  };
  if (!data || size < 6 || word(0) != 0 || word(2) != 1) return false;
  const WORD count = word(4);
  if (count == 0 || size < 6 + 16u * count) return false;
  // Resource ids of the images follow those registered before.
  static std::mutex idLock;
  static WORD nextIconId = 1;
  std::vector<BYTE> group(sizeof(GRPICONDIR) + count * sizeof(GRPICONDIRENTRY));
  GRPICONDIR dir{0, 1, count};
  std::memcpy(group.data(), &dir, sizeof dir);
  for (WORD i = 0; i < count; ++i) {
    const size_t at = 6 + 16u * i;
    const DWORD length = dword(at + 8), offset = dword(at + 12);
    if (offset > size || length > size - offset || length == 0) return false;
    WORD id;
    {
      std::lock_guard<std::mutex> guard(idLock);
      id = nextIconId++;
    }
    RegisterModuleResource(RT_ICON, MAKEINTRESOURCEW(id), bytes + offset, length);
    GRPICONDIRENTRY entry{bytes[at], bytes[at + 1], bytes[at + 2], 0, word(at + 4), word(at + 6), length, id};
    std::memcpy(group.data() + sizeof dir + i * sizeof entry, &entry, sizeof entry);
  }
  // The directory lives as long as the module, like any resource.
  static auto* directories = new std::deque<std::vector<BYTE>>;
  const std::vector<BYTE>* kept;
  {
    std::lock_guard<std::mutex> guard(idLock);
    kept = &directories->emplace_back(std::move(group));
  }
  return RegisterModuleResource(RT_GROUP_ICON, name, kept->data(), kept->size());
}
