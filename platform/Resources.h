// Module resources. An executable carries its resources (the skin archive,
// the icon group, the version block) as data linked into it; the generated
// source of each embedded file registers it with RegisterModuleResource
// during static initialisation.
#pragma once

#include "platform/Types.h"

struct ResourceRecord;
using HRSRC = ResourceRecord*;
using HGLOBAL = const void*;

// MAKEINTRESOURCE: a numeric id in place of a name.
#define MAKEINTRESOURCEW(id) (reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id))))
inline bool IS_INTRESOURCE(LPCWSTR name) { return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0; }

// Standard resource types used by the system.
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

// Registers resource data of the executable. type and name are either
// numeric (MAKEINTRESOURCEW) or text; the data must live for the process.
// Returns true so that a static initialiser can call it.
bool RegisterModuleResource(LPCWSTR type, LPCWSTR name, const void* data, size_t size);

// Registers an icon file (.ico, whose images may be PNG data) as the icon
// group name: every image becomes an RT_ICON resource and the group's
// directory an RT_GROUP_ICON resource, as a resource compiler lays them
// out. False for data that is not an icon file.
bool RegisterIconFileResource(LPCWSTR name, const void* data, size_t size);

// The layout of an RT_GROUP_ICON resource.
#pragma pack(push, 2)
struct GRPICONDIRENTRY {
  BYTE bWidth;  // 0 means 256
  BYTE bHeight;
  BYTE bColorCount;
  BYTE bReserved;
  WORD wPlanes;
  WORD wBitCount;
  DWORD dwBytesInRes;
  WORD nId;  // the RT_ICON resource holding the image
};
struct GRPICONDIR {
  WORD idReserved;
  WORD idType;  // 1 for icons
  WORD idCount;
};
#pragma pack(pop)
