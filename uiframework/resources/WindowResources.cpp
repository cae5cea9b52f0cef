#include "uiframework/resources/WindowResources.h"

#include "platform/Resources.h"
#include "uiframework/resources/RenderServices.h"

#include <cwchar>
#include <cwctype>
#include <mutex>

namespace SkinUI {

namespace {

// Windows on several threads build their trees at once, and even a
// lookup reorders a name map's buckets: every touch of these tables, the
// window list and the shared colours holds the lock (recursive, as the
// lookups nest).
struct SharedResources {
  std::recursive_mutex lock;
  CNamePtrMap fonts;
  CNamePtrMap images;
  CNamePtrMap attributeLists;
  DWORD colors[5] = {0xFFA7A6AA, 0xFF000000, 0xFF0000FF, 0xFFD3215F, 0xFFBAE4FF};
  FontEntry* defaultFont = nullptr;
  std::vector<FontEntry*> retiredFonts;
  std::vector<ImageEntry*> retiredImages;
  std::vector<CWindowResourcesUI*> windows;  // every live window, in creation order

  ~SharedResources() {
    for (int i = 0; i < fonts.GetSize(); ++i) retiredFonts.push_back(static_cast<FontEntry*>(fonts.Find(fonts[i], false)));
    for (int i = 0; i < images.GetSize(); ++i)
      retiredImages.push_back(static_cast<ImageEntry*>(images.Find(images[i], false)));
    for (int i = 0; i < attributeLists.GetSize(); ++i)
      delete static_cast<CUIString*>(attributeLists.Find(attributeLists[i], false));
    retiredFonts.push_back(defaultFont);
    for (FontEntry* entry : retiredFonts) {
      if (entry != nullptr) delete entry->font;
      delete entry;
    }
    for (ImageEntry* entry : retiredImages) delete entry;
  }
};

SharedResources& Shared() {
  static SharedResources shared;
  return shared;
}

std::unique_lock<std::recursive_mutex> LockShared() { return std::unique_lock<std::recursive_mutex>(Shared().lock); }

CUIString IdKey(int id) {
  CUIString key;
  key.Format(L"%d", id);
  return key;
}

template <typename T>
void ForEachValue(CNamePtrMap& map, T action) {
  for (int i = 0; i < map.GetSize(); ++i) action(map.Find(map[i], false));
}

}  // namespace

CWindowResourcesUI::CWindowResourcesUI() {
  const auto lock = LockShared();
  SharedResources& shared = Shared();
  if (shared.defaultFont == nullptr)
    shared.defaultFont = MakeFontEntry(kDefaultFontFace, kDefaultFontPixels, false, false, false, false);
  for (int i = 0; i < kColorCount; ++i) m_colors[i] = shared.colors[i];
  shared.windows.push_back(this);
}

CWindowResourcesUI::~CWindowResourcesUI() {
  {
    const auto lock = LockShared();
    auto& windows = Shared().windows;
    for (auto it = windows.begin(); it != windows.end(); ++it) {
      if (*it == this) {
        windows.erase(it);
        break;
      }
    }
  }
  ResetWindowResources();
  RetireFont(m_defaultFont, false);
  for (FontEntry* entry : m_retiredFonts) {
    delete entry->font;
    delete entry;
  }
  for (ImageEntry* entry : m_retiredImages) delete entry;
}

void CWindowResourcesUI::ResetWindowResources() {
  RemoveAllFonts(false);
  RemoveAllImages(false);
  RemoveAllDefaultAttributeLists(false);
  RemoveAllOptionGroups();
}

void CWindowResourcesUI::RetireFont(FontEntry* entry, bool shared) {
  if (entry == nullptr) return;
  const auto lock = LockShared();
  (shared ? Shared().retiredFonts : m_retiredFonts).push_back(entry);
}

void CWindowResourcesUI::RetireImage(ImageEntry* entry, bool shared) {
  if (entry == nullptr) return;
  const auto lock = LockShared();
  (shared ? Shared().retiredImages : m_retiredImages).push_back(entry);
}

FontEntry* CWindowResourcesUI::MakeFontEntry(LPCWSTR face, int size, bool bold, bool underline, bool italic,
                                             bool strikeout) {
  HFONT font = CFontUI::Create(face, size, bold, underline, italic, strikeout);
  if (font == nullptr) return nullptr;
  auto* entry = new FontEntry;
  entry->font = font;
  entry->faceName = font->GetFace().c_str();
  entry->size = size;
  entry->bold = bold;
  entry->underline = underline;
  entry->italic = italic;
  entry->strikeout = strikeout;
  return entry;
}

HFONT CWindowResourcesUI::AddFont(int id, LPCWSTR face, int size, bool bold, bool underline, bool italic,
                                  bool strikeout, bool shared) {
  FontEntry* entry = MakeFontEntry(face, size, bold, underline, italic, strikeout);
  if (entry == nullptr) return nullptr;
  const bool toShared = shared || m_allShared;
  const auto lock = LockShared();
  CNamePtrMap& table = toShared ? Shared().fonts : m_fonts;
  RetireFont(static_cast<FontEntry*>(table.Set(IdKey(id), entry)), toShared);
  return entry->font;
}

FontEntry* CWindowResourcesUI::FindFontEntry(int id) {
  const auto lock = LockShared();
  if (id >= 0) {
    const CUIString key = IdKey(id);
    if (auto* own = static_cast<FontEntry*>(m_fonts.Find(key))) return own;
    if (auto* shared = static_cast<FontEntry*>(Shared().fonts.Find(key))) return shared;
  }
  return GetDefaultFontInfo();
}

HFONT CWindowResourcesUI::GetFont(int id) {
  FontEntry* entry = FindFontEntry(id);
  return entry == nullptr ? nullptr : entry->font;
}

static FontEntry* WithMetrics(FontEntry* entry) {
  if (entry != nullptr && !entry->metricsValid) {
    entry->metrics = entry->font->GetMetrics();
    entry->metricsValid = true;
  }
  return entry;
}

FontEntry* CWindowResourcesUI::GetFontInfo(int id) {
  const auto lock = LockShared();
  return WithMetrics(FindFontEntry(id));
}

FontEntry* CWindowResourcesUI::GetFontInfo(HFONT font) {
  const auto lock = LockShared();
  for (CNamePtrMap* table : {&m_fonts, &Shared().fonts}) {
    for (int i = 0; i < table->GetSize(); ++i) {
      auto* entry = static_cast<FontEntry*>(table->Find((*table)[i], false));
      if (entry->font == font) return WithMetrics(entry);
    }
  }
  return WithMetrics(GetDefaultFontInfo());
}

HFONT CWindowResourcesUI::FindFont(LPCWSTR face, int size, bool bold, bool underline, bool italic, bool strikeout) {
  const auto lock = LockShared();
  for (CNamePtrMap* table : {&m_fonts, &Shared().fonts}) {
    for (int i = 0; i < table->GetSize(); ++i) {
      auto* entry = static_cast<FontEntry*>(table->Find((*table)[i], false));
      if (entry->faceName == face && entry->size == size && entry->bold == bold && entry->underline == underline &&
          entry->italic == italic && entry->strikeout == strikeout)
        return entry->font;
    }
  }
  return nullptr;
}

bool CWindowResourcesUI::SetDefaultFont(LPCWSTR face, int size, bool bold, bool underline, bool italic,
                                        bool strikeout, bool shared) {
  FontEntry* entry = MakeFontEntry(face, size, bold, underline, italic, strikeout);
  if (entry == nullptr) return false;
  const auto lock = LockShared();
  if (shared) {
    RetireFont(Shared().defaultFont, true);
    Shared().defaultFont = entry;
  } else {
    RetireFont(m_defaultFont, false);
    m_defaultFont = entry;
  }
  return true;
}

FontEntry* CWindowResourcesUI::GetDefaultFontInfo() {
  const auto lock = LockShared();
  return WithMetrics(m_defaultFont != nullptr ? m_defaultFont : Shared().defaultFont);
}

void CWindowResourcesUI::RemoveAllFonts(bool shared) {
  const auto lock = LockShared();
  CNamePtrMap& table = shared ? Shared().fonts : m_fonts;
  ForEachValue(table, [&](void* value) { RetireFont(static_cast<FontEntry*>(value), shared); });
  table.RemoveAll();
}

const ImageEntry* CWindowResourcesUI::GetImage(LPCWSTR name) {
  if (name == nullptr) return nullptr;
  if (auto* own = static_cast<const ImageEntry*>(m_images.Find(name))) return own;
  const auto lock = LockShared();
  return static_cast<const ImageEntry*>(Shared().images.Find(name));
}

const ImageEntry* CWindowResourcesUI::GetOrAddImage(LPCWSTR name, LPCWSTR type, DWORD mask, bool useHsl) {
  const ImageEntry* entry = GetImage(name);
  if (entry == nullptr) entry = AddImage(name, type, mask, useHsl, false);
  return entry;
}

const ImageEntry* CWindowResourcesUI::AddImage(LPCWSTR name, LPCWSTR type, DWORD mask, bool useHsl, bool shared) {
  if (name == nullptr || *name == 0) return nullptr;
  LPCWSTR source = name;
  if (type != nullptr && *type != 0 && std::iswdigit(static_cast<wint_t>(*name)))
    source = MAKEINTRESOURCEW(std::wcstol(name, nullptr, 10));
  ImageEntry* entry = LoadImage(source, type, mask).release();
  if (entry == nullptr) return nullptr;
  entry->useHsl = useHsl;
  entry->resourceType = type;
  entry->mask = mask;
  if (useHsl) entry->original = entry->pixels;
  const bool toShared = shared || m_allShared;
  const auto lock = LockShared();
  CNamePtrMap& table = toShared ? Shared().images : m_images;
  RetireImage(static_cast<ImageEntry*>(table.Set(name, entry)), toShared);
  return entry;
}

void CWindowResourcesUI::RemoveAllImages(bool shared) {
  const auto lock = LockShared();
  CNamePtrMap& table = shared ? Shared().images : m_images;
  ForEachValue(table, [&](void* value) { RetireImage(static_cast<ImageEntry*>(value), shared); });
  table.RemoveAll();
}

void CWindowResourcesUI::AddDefaultAttributeList(LPCWSTR className, LPCWSTR list, bool shared) {
  if (className == nullptr) return;
  const auto lock = LockShared();
  CNamePtrMap& table = (shared || m_allShared) ? Shared().attributeLists : m_attributeLists;
  delete static_cast<CUIString*>(table.Set(className, new CUIString(list)));
}

LPCWSTR CWindowResourcesUI::GetDefaultAttributeList(LPCWSTR className) {
  if (className == nullptr) return nullptr;
  auto* list = static_cast<CUIString*>(m_attributeLists.Find(className));
  const auto lock = LockShared();
  if (list == nullptr) list = static_cast<CUIString*>(Shared().attributeLists.Find(className));
  return list == nullptr ? nullptr : list->GetData();
}

void CWindowResourcesUI::RemoveAllDefaultAttributeLists(bool shared) {
  const auto lock = LockShared();
  CNamePtrMap& table = shared ? Shared().attributeLists : m_attributeLists;
  ForEachValue(table, [](void* value) { delete static_cast<CUIString*>(value); });
  table.RemoveAll();
}

bool CWindowResourcesUI::AddOptionGroup(LPCWSTR group, void* option) {
  if (group == nullptr || option == nullptr) return false;
  auto* options = static_cast<CPointerArray*>(m_optionGroups.Find(group));
  if (options == nullptr) {
    options = new CPointerArray(6);
    m_optionGroups.Insert(group, options);
  }
  if (options->Find(option) >= 0) return false;
  return options->Add(option);
}

CPointerArray* CWindowResourcesUI::GetOptionGroup(LPCWSTR group) {
  return group == nullptr ? nullptr : static_cast<CPointerArray*>(m_optionGroups.Find(group));
}

void CWindowResourcesUI::RemoveOptionGroup(LPCWSTR group, void* option) {
  CPointerArray* options = GetOptionGroup(group);
  if (options == nullptr) return;
  const int index = options->Find(option);
  if (index >= 0) options->Remove(index);
  if (options->IsEmpty()) {
    delete options;
    m_optionGroups.Remove(group);
  }
}

void CWindowResourcesUI::RemoveAllOptionGroups() {
  ForEachValue(m_optionGroups, [](void* value) { delete static_cast<CPointerArray*>(value); });
  m_optionGroups.RemoveAll();
}

void CWindowResourcesUI::SetColor(ColorSlot slot, DWORD color, bool shared) {
  if (shared) {
    const auto lock = LockShared();
    const DWORD old = Shared().colors[slot];
    for (CWindowResourcesUI* window : Shared().windows)
      if (window->m_colors[slot] == old) window->m_colors[slot] = color;
    Shared().colors[slot] = color;
  } else {
    m_colors[slot] = color;
  }
}

}  // namespace SkinUI
