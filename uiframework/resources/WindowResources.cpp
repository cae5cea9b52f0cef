#include "uiframework/resources/WindowResources.h"

#include "platform/Resources.h"
#include "uiframework/resources/RenderServices.h"

#include <cwchar>
#include <cwctype>
#include <mutex>
#include <string>

namespace SkinUI {

namespace {

// Windows on several threads build their trees at once, and even a
// lookup reorders a name map's buckets: every touch of these tables, the
// window list and the shared colours holds the lock (recursive, as the
// lookups nest).
struct SharedResources {
  std::recursive_mutex lock;
  COwnedNameTable<FontEntry> fonts;
  COwnedNameTable<ImageEntry> images;
  CNameStringTable attributeLists;
  DWORD colors[5] = {0xFFA7A6AA, 0xFF000000, 0xFF0000FF, 0xFFD3215F, 0xFFBAE4FF};
  std::unique_ptr<FontEntry> defaultFont;
  std::vector<std::unique_ptr<FontEntry>> retiredFonts;
  std::vector<std::unique_ptr<ImageEntry>> retiredImages;
  std::vector<CWindowResourcesUI*> windows;  // every live window, in creation order
};

SharedResources& Shared() {
  static SharedResources shared;
  return shared;
}

std::unique_lock<std::recursive_mutex> LockShared() { return std::unique_lock<std::recursive_mutex>(Shared().lock); }

std::wstring IdKey(int id) { return std::to_wstring(id); }

// Moves every record of the table to the retired list, leaving it empty.
template <typename T>
void RetireAll(COwnedNameTable<T>& table, std::vector<std::unique_ptr<T>>& retired) {
  for (auto& entry : table) retired.push_back(std::move(entry.second));
  table.clear();
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
}

void CWindowResourcesUI::ResetWindowResources() {
  m_textLayouts.Clear();
  RemoveAllFonts(false);
  RemoveAllImages(false);
  RemoveAllDefaultAttributeLists(false);
  RemoveAllOptionGroups();
}

void CWindowResourcesUI::RetireFont(std::unique_ptr<FontEntry> entry, bool shared) {
  if (entry == nullptr) return;
  const auto lock = LockShared();
  (shared ? Shared().retiredFonts : m_retiredFonts).push_back(std::move(entry));
}

void CWindowResourcesUI::RetireImage(std::unique_ptr<ImageEntry> entry, bool shared) {
  if (entry == nullptr) return;
  const auto lock = LockShared();
  (shared ? Shared().retiredImages : m_retiredImages).push_back(std::move(entry));
}

std::unique_ptr<FontEntry> CWindowResourcesUI::MakeFontEntry(LPCWSTR face, int size, bool bold, bool underline,
                                                             bool italic, bool strikeout) {
  HFONT font = CFontUI::Create(face, size, bold, underline, italic, strikeout);
  if (font == nullptr) return nullptr;
  auto entry = std::make_unique<FontEntry>();
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
  std::unique_ptr<FontEntry> entry = MakeFontEntry(face, size, bold, underline, italic, strikeout);
  if (entry == nullptr) return nullptr;
  HFONT font = entry->font;
  const bool toShared = shared || m_allShared;
  const auto lock = LockShared();
  std::unique_ptr<FontEntry>& slot = (toShared ? Shared().fonts : m_fonts)[IdKey(id)];
  RetireFont(std::move(slot), toShared);
  slot = std::move(entry);
  return font;
}

FontEntry* CWindowResourcesUI::FindFontEntry(int id) {
  const auto lock = LockShared();
  if (id >= 0) {
    const std::wstring key = IdKey(id);
    if (FontEntry* own = FindOwned(m_fonts, key.c_str())) return own;
    if (FontEntry* shared = FindOwned(Shared().fonts, key.c_str())) return shared;
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
  for (const COwnedNameTable<FontEntry>* table : {&m_fonts, &Shared().fonts})
    for (const auto& entry : *table)
      if (entry.second->font == font) return WithMetrics(entry.second.get());
  return WithMetrics(GetDefaultFontInfo());
}

HFONT CWindowResourcesUI::FindFont(LPCWSTR face, int size, bool bold, bool underline, bool italic, bool strikeout) {
  const auto lock = LockShared();
  for (const COwnedNameTable<FontEntry>* table : {&m_fonts, &Shared().fonts}) {
    for (const auto& each : *table) {
      const FontEntry& entry = *each.second;
      if (entry.faceName == face && entry.size == size && entry.bold == bold && entry.underline == underline &&
          entry.italic == italic && entry.strikeout == strikeout)
        return entry.font;
    }
  }
  return nullptr;
}

bool CWindowResourcesUI::SetDefaultFont(LPCWSTR face, int size, bool bold, bool underline, bool italic,
                                        bool strikeout, bool shared) {
  std::unique_ptr<FontEntry> entry = MakeFontEntry(face, size, bold, underline, italic, strikeout);
  if (entry == nullptr) return false;
  const auto lock = LockShared();
  std::unique_ptr<FontEntry>& slot = shared ? Shared().defaultFont : m_defaultFont;
  RetireFont(std::move(slot), shared);
  slot = std::move(entry);
  return true;
}

FontEntry* CWindowResourcesUI::GetDefaultFontInfo() {
  const auto lock = LockShared();
  return WithMetrics(m_defaultFont != nullptr ? m_defaultFont.get() : Shared().defaultFont.get());
}

void CWindowResourcesUI::RemoveAllFonts(bool shared) {
  const auto lock = LockShared();
  if (shared) RetireAll(Shared().fonts, Shared().retiredFonts);
  else RetireAll(m_fonts, m_retiredFonts);
}

const ImageEntry* CWindowResourcesUI::GetImage(LPCWSTR name) {
  if (name == nullptr) return nullptr;
  if (const ImageEntry* own = FindOwned(m_images, name)) return own;
  const auto lock = LockShared();
  return FindOwned(Shared().images, name);
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
  std::unique_ptr<ImageEntry> entry = LoadImage(source, type, mask);
  if (entry == nullptr) return nullptr;
  entry->useHsl = useHsl;
  entry->resourceType = type;
  entry->mask = mask;
  if (useHsl) entry->original = entry->Pixels();
  const bool toShared = shared || m_allShared;
  const auto lock = LockShared();
  std::unique_ptr<ImageEntry>& slot = (toShared ? Shared().images : m_images)[name];
  RetireImage(std::move(slot), toShared);
  slot = std::move(entry);
  return slot.get();
}

void CWindowResourcesUI::RemoveAllImages(bool shared) {
  const auto lock = LockShared();
  if (shared) RetireAll(Shared().images, Shared().retiredImages);
  else RetireAll(m_images, m_retiredImages);
}

void CWindowResourcesUI::AddDefaultAttributeList(LPCWSTR className, LPCWSTR list, bool shared) {
  if (className == nullptr) return;
  const auto lock = LockShared();
  CNameStringTable& table = (shared || m_allShared) ? Shared().attributeLists : m_attributeLists;
  table[className] = CUIString(list);
}

LPCWSTR CWindowResourcesUI::GetDefaultAttributeList(LPCWSTR className) {
  if (className == nullptr) return nullptr;
  if (LPCWSTR own = FindText(m_attributeLists, className)) return own;
  const auto lock = LockShared();
  return FindText(Shared().attributeLists, className);
}

void CWindowResourcesUI::RemoveAllDefaultAttributeLists(bool shared) {
  const auto lock = LockShared();
  (shared ? Shared().attributeLists : m_attributeLists).clear();
}

bool CWindowResourcesUI::AddOptionGroup(LPCWSTR group, void* option) {
  if (group == nullptr || option == nullptr) return false;
  std::unique_ptr<CPointerArray>& options = m_optionGroups[group];
  if (options == nullptr) options = std::make_unique<CPointerArray>(6);
  if (options->Find(option) >= 0) return false;
  return options->Add(option);
}

CPointerArray* CWindowResourcesUI::GetOptionGroup(LPCWSTR group) {
  return FindOwned(m_optionGroups, group);
}

void CWindowResourcesUI::RemoveOptionGroup(LPCWSTR group, void* option) {
  CPointerArray* options = GetOptionGroup(group);
  if (options == nullptr) return;
  const int index = options->Find(option);
  if (index >= 0) options->Remove(index);
  if (options->IsEmpty()) m_optionGroups.erase(group);
}

void CWindowResourcesUI::RemoveAllOptionGroups() {
  m_optionGroups.clear();
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
