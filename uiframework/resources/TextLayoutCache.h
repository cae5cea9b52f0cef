// The pango layouts of the plain texts one window draws, kept between
// paints. Laying a text out (shaping it) costs more than drawing it, and a
// window draws the same texts in the same fonts and boxes again and again.
// A layout is found by everything it was made from (font, text, the
// format bits that shape it and the box it was fitted to), so a changed
// text or font simply makes a new entry; the oldest are dropped past a
// fixed count.
#pragma once

#include "platform/Types.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

typedef struct _PangoLayout PangoLayout;

namespace SkinUI {

struct FontEntry;

struct TextLayoutKey {
  const FontEntry* font = nullptr;
  std::wstring text;
  UINT format = 0;
  LONG width = 0;
  LONG height = 0;

  bool operator==(const TextLayoutKey& other) const = default;
};

class CTextLayoutCacheUI {
 public:
  // Layouts kept at most, and the longest text kept (longer ones are laid
  // out for each use).
  static constexpr size_t kMaxEntries = 512;
  static constexpr size_t kMaxTextLength = 4096;

  // The layout made for key, or null.
  PangoLayout* Find(const TextLayoutKey& key) const;
  // Keeps the layout (taking over the caller's reference) and returns it;
  // a text too long to keep is handed back and stays the caller's.
  PangoLayout* Keep(TextLayoutKey key, PangoLayout* layout);
  static bool IsKept(const TextLayoutKey& key) { return key.text.size() <= kMaxTextLength; }
  void Clear();
  size_t GetSize() const { return m_layouts.size(); }

 private:
  struct KeyHash {
    size_t operator()(const TextLayoutKey& key) const;
  };
  struct LayoutUnref {
    void operator()(PangoLayout* layout) const;
  };
  using LayoutPtr = std::unique_ptr<PangoLayout, LayoutUnref>;

  std::unordered_map<TextLayoutKey, LayoutPtr, KeyHash> m_layouts;
  std::deque<TextLayoutKey> m_order;  // oldest first
};

}  // namespace SkinUI
