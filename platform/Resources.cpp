#include "platform/Resources.h"

#include "platform/IconFile.h"
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
  std::vector<IconFileImage> images;
  if (!ParseIconFile(data, size, images)) return false;
  // Resource ids of the images follow those registered before.
  static std::mutex idLock;
  static WORD nextIconId = 1;
  const WORD count = static_cast<WORD>(images.size());
  std::vector<BYTE> group(sizeof(GRPICONDIR) + count * sizeof(GRPICONDIRENTRY));
  GRPICONDIR dir{0, 1, count};
  std::memcpy(group.data(), &dir, sizeof dir);
  for (WORD i = 0; i < count; ++i) {
    const IconFileImage& image = images[i];
    WORD id;
    {
      std::lock_guard<std::mutex> guard(idLock);
      id = nextIconId++;
    }
    RegisterModuleResource(RT_ICON, MAKEINTRESOURCEW(id), image.data, image.size);
    GRPICONDIRENTRY entry{image.width, image.height, image.colorCount, 0, image.planes, image.bitCount,
                          static_cast<DWORD>(image.size), id};
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
