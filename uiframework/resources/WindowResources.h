// CWindowResourcesUI: the resources the controls of one window draw with:
// fonts by id, decoded images by name, default attribute lists by control
// element name, five default colours, a default font and the option
// groups. Beside each per-window table there is one table shared by every
// window of the process; lookups try the window's own table first.
//
// Fonts and images that are replaced or removed stay alive until the
// window's resources go (shared ones until the process ends), so that
// anything drawn from them and still holding them stays valid.
#pragma once

#include "uiframework/core/NameTables.h"
#include "uiframework/core/PointerArray.h"
#include "uiframework/render/ImageEntry.h"
#include "uiframework/resources/FontEngine.h"
#include "uiframework/resources/ResourceSettings.h"
#include "uiframework/resources/TextLayoutCache.h"

#include <memory>
#include <vector>

namespace SkinUI {

// The entry owns its font.
struct FontEntry {
  FontEntry() = default;
  ~FontEntry() { delete font; }
  FontEntry(const FontEntry&) = delete;
  FontEntry& operator=(const FontEntry&) = delete;

  HFONT font = nullptr;
  CUIString faceName;
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool strikeout = false;
  TextMetricsUI metrics;
  bool metricsValid = false;
};

class CWindowResourcesUI : public CResourceSettingsUI {
 public:
  CWindowResourcesUI();
  virtual ~CWindowResourcesUI();
  CWindowResourcesUI(const CWindowResourcesUI&) = delete;
  CWindowResourcesUI& operator=(const CWindowResourcesUI&) = delete;

  // Empties this window's fonts, images, default attribute lists and
  // option groups (the window manager's Init does this).
  void ResetWindowResources();

  // Fonts.
  HFONT AddFont(int id, LPCWSTR face, int size, bool bold, bool underline, bool italic, bool strikeout,
                bool shared = false);
  HFONT GetFont(int id);
  FontEntry* GetFontInfo(int id);
  FontEntry* GetFontInfo(HFONT font);
  HFONT FindFont(LPCWSTR face, int size, bool bold, bool underline, bool italic, bool strikeout);
  bool SetDefaultFont(LPCWSTR face, int size, bool bold, bool underline, bool italic, bool strikeout,
                      bool shared = false);
  FontEntry* GetDefaultFontInfo();
  void RemoveAllFonts(bool shared = false);

  // Images.
  const ImageEntry* GetImage(LPCWSTR name);
  const ImageEntry* GetOrAddImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0, bool useHsl = false);
  const ImageEntry* AddImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0, bool useHsl = false,
                             bool shared = false);
  // Images are decoded by the installed image decoder (RenderServices.h).
  void RemoveAllImages(bool shared = false);

  // Default attribute lists.
  void AddDefaultAttributeList(LPCWSTR className, LPCWSTR list, bool shared = false);
  LPCWSTR GetDefaultAttributeList(LPCWSTR className);
  void RemoveAllDefaultAttributeLists(bool shared = false);

  // Option groups: arrays of controls.
  bool AddOptionGroup(LPCWSTR group, void* option);
  CPointerArray* GetOptionGroup(LPCWSTR group);
  void RemoveOptionGroup(LPCWSTR group, void* option);
  void RemoveAllOptionGroups();

  // Default colours. A shared set makes this window follow only while its
  // value still equals the old shared one.
  DWORD GetDefaultDisabledColor() const { return m_colors[kDisabled]; }
  void SetDefaultDisabledColor(DWORD color, bool shared = false) { SetColor(kDisabled, color, shared); }
  DWORD GetDefaultFontColor() const { return m_colors[kText]; }
  void SetDefaultFontColor(DWORD color, bool shared = false) { SetColor(kText, color, shared); }
  DWORD GetDefaultLinkFontColor() const { return m_colors[kLink]; }
  void SetDefaultLinkFontColor(DWORD color, bool shared = false) { SetColor(kLink, color, shared); }
  DWORD GetDefaultLinkHoverFontColor() const { return m_colors[kLinkHover]; }
  void SetDefaultLinkHoverFontColor(DWORD color, bool shared = false) { SetColor(kLinkHover, color, shared); }
  DWORD GetDefaultSelectedBkColor() const { return m_colors[kSelected]; }
  void SetDefaultSelectedBkColor(DWORD color, bool shared = false) { SetColor(kSelected, color, shared); }

  // The layouts of the plain texts this window has drawn.
  CTextLayoutCacheUI& TextLayouts() { return m_textLayouts; }

  void SetAllResourcesShared(bool shared) { m_allShared = shared; }
  bool IsAllResourcesShared() const { return m_allShared; }

 private:
  enum ColorSlot { kDisabled, kText, kLink, kLinkHover, kSelected, kColorCount };

  void SetColor(ColorSlot slot, DWORD color, bool shared);
  FontEntry* FindFontEntry(int id);
  static std::unique_ptr<FontEntry> MakeFontEntry(LPCWSTR face, int size, bool bold, bool underline, bool italic,
                                                  bool strikeout);
  void RetireFont(std::unique_ptr<FontEntry> entry, bool shared);
  void RetireImage(std::unique_ptr<ImageEntry> entry, bool shared);

  COwnedNameTable<FontEntry> m_fonts;
  COwnedNameTable<ImageEntry> m_images;
  CNameStringTable m_attributeLists;
  COwnedNameTable<CPointerArray> m_optionGroups;
  DWORD m_colors[kColorCount];
  std::unique_ptr<FontEntry> m_defaultFont;  // unset until SetDefaultFont
  bool m_allShared = false;
  std::vector<std::unique_ptr<FontEntry>> m_retiredFonts;
  std::vector<std::unique_ptr<ImageEntry>> m_retiredImages;
  CTextLayoutCacheUI m_textLayouts;
};

}  // namespace SkinUI
