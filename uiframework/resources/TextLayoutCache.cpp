#include "uiframework/resources/TextLayoutCache.h"

#include <functional>
#include <glib-object.h>
#include <pango/pango.h>

namespace SkinUI {

size_t CTextLayoutCacheUI::KeyHash::operator()(const TextLayoutKey& key) const {
  size_t hash = std::hash<std::wstring>()(key.text);
  for (size_t part : {std::hash<const void*>()(key.font), static_cast<size_t>(key.format),
                      static_cast<size_t>(key.width), static_cast<size_t>(key.height)})
    hash = hash * 31 + part;
  return hash;
}

void CTextLayoutCacheUI::LayoutUnref::operator()(PangoLayout* layout) const { g_object_unref(layout); }

PangoLayout* CTextLayoutCacheUI::Find(const TextLayoutKey& key) const {
  const auto found = m_layouts.find(key);
  return found == m_layouts.end() ? nullptr : found->second.get();
}

PangoLayout* CTextLayoutCacheUI::Keep(TextLayoutKey key, PangoLayout* layout) {
  if (layout == nullptr || !IsKept(key)) return layout;
  const auto known = m_layouts.find(key);
  if (known != m_layouts.end()) {
    known->second.reset(layout);
    return layout;
  }
  if (m_layouts.size() >= kMaxEntries) {
    m_layouts.erase(m_order.front());
    m_order.pop_front();
  }
  m_order.push_back(key);
  LayoutPtr& slot = m_layouts[std::move(key)];
  slot.reset(layout);
  return layout;
}

void CTextLayoutCacheUI::Clear() {
  m_layouts.clear();
  m_order.clear();
}

}  // namespace SkinUI
