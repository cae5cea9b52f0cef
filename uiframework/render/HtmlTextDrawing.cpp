// Lightly formatted text: runs in changing fonts and colours, links,
// inline images and explicit line control, laid out line by line so that
// everything on a line shares one line height.
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/ColorValue.h"
#include "uiframework/render/DrawableRange.h"
#include "uiframework/render/HtmlTextScanner.h"
#include "uiframework/render/ImageDescription.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"
#include "uiframework/render/TextLayout.h"

#include <algorithm>
#include <atomic>
#include <cairo.h>
#include <cwctype>
#include <pango/pangocairo.h>
#include <string>
#include <vector>

namespace SkinUI {

namespace {

// Fonts made for formatted text get ids from here, process-wide.
std::atomic<int> g_nextHtmlFontId{30000};

enum class VAlign { Bottom, Center, Top };

struct HtmlItem {
  bool isImage = false;
  LONG x = 0;
  LONG width = 0;
  LONG height = 0;
  std::wstring text;
  const FontEntry* font = nullptr;
  DWORD color = 0;
  bool selected = false;
  VAlign valign = VAlign::Bottom;
  const ImageEntry* image = nullptr;
  RECT source;
};

struct HtmlLine {
  std::vector<HtmlItem> items;
  LONG top = 0;
  LONG width = 0;
  LONG height = 0;
};

struct LinkSpan {
  size_t line = 0;
  LONG x0 = 0;
  LONG x1 = 0;
};

struct LinkRecord {
  std::vector<LinkSpan> spans;
  CUIString text;
};

LONG ReadDecimal(const std::wstring& text, size_t& pos, LONG fallback) {
  while (pos < text.size() && text[pos] == L' ') ++pos;
  bool negative = false;
  if (pos < text.size() && text[pos] == L'-') {
    negative = true;
    ++pos;
  }
  if (pos >= text.size() || text[pos] < L'0' || text[pos] > L'9') return fallback;
  long long value = 0;
  while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
    if (value < 100000000) value = value * 10 + (text[pos] - L'0');
    ++pos;
  }
  return static_cast<LONG>(negative ? -value : value);
}

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

class CHtmlLayout {
 public:
  CHtmlLayout(CWindowManagerUI* manager, const RECT& rect, UINT format, DWORD color, int fontId,
              const CUIString& hovered)
      : m_manager(manager), m_rect(rect), m_format(format), m_hovered(hovered) {
    m_fonts.push_back(manager->GetFontInfo(fontId));
    m_colors.push_back(AvoidPureBlack(color));
    m_spacings.push_back(0);
    m_valigns.push_back(VAlign::Bottom);
    m_penX = rect.left;
    m_top = rect.top;
  }

  void Build(const CUIString& text) {
    CHtmlTextScanner scanner(text.GetData(), text.GetLength());
    HtmlToken token;
    const std::wstring all(text.GetData(), static_cast<size_t>(text.GetLength()));
    while (!m_done && scanner.Next(token)) {
      const std::wstring part = all.substr(static_cast<size_t>(token.start), static_cast<size_t>(token.length));
      switch (token.kind) {
        case HtmlTokenKind::Run: AddRun(part); break;
        case HtmlTokenKind::Literal: AddRun(std::wstring(1, token.letter)); break;
        case HtmlTokenKind::LineBreak: NewLine(); break;
        case HtmlTokenKind::OpenTag: Open(token.letter, part); break;
        case HtmlTokenKind::CloseTag: Close(token.letter); break;
      }
    }
    // A trailing line break or paragraph end leaves no empty last line.
    if (!m_done && (!m_line.items.empty() || m_penX != m_rect.left || m_lines.empty())) FinishLine();
  }

  const std::vector<HtmlLine>& Lines() const { return m_lines; }
  const std::vector<LinkRecord>& Links() const { return m_links; }

 private:
  bool SingleLine() const { return (m_format & kTextSingleLine) != 0; }
  bool AtLineStart() const { return m_penX == m_rect.left && m_line.items.empty(); }
  const FontEntry* Font() const { return m_fonts.back(); }

  static LONG FontHeight(const FontEntry* font) {
    return font == nullptr ? kDefaultFontPixels : font->metrics.height + font->metrics.externalLeading;
  }

  LONG LineHeight() const {
    if (m_fixedHeight >= 0) return m_fixedHeight;
    LONG height = 0;
    for (const HtmlItem& item : m_line.items) height = std::max(height, item.height);
    if (m_line.items.empty()) height = FontHeight(Font());
    return height + m_lineSpacing;
  }

  void FinishLine() {
    m_line.top = m_top;
    m_line.width = m_penX - m_rect.left;
    m_line.height = LineHeight();
    if (m_inLink) {
      m_linkSpans.push_back(LinkSpan{m_lines.size(), m_linkStartX, m_penX});
      m_linkStartX = m_rect.left;
    }
    m_top += m_line.height;
    m_lines.push_back(std::move(m_line));
    m_line = HtmlLine();
    m_penX = m_rect.left;
    m_fixedHeight = -1;
    m_lineSpacing = m_spacings.back();
  }

  void NewLine() {
    if (m_done) return;
    FinishLine();
    if (SingleLine() || m_top >= m_rect.bottom) m_done = true;
  }

  LONG MeasureRun(const std::wstring& text) const {
    const CStoredTextLayout run(m_manager, TextLayoutKey{Font(), text});
    int width = 0, height = 0;
    pango_layout_get_pixel_size(run.Get(), &width, &height);
    return width;
  }

  // How many leading characters fit into width.
  size_t FitCount(const std::wstring& text, LONG width) const {
    CTextLayout layout(nullptr, Font());
    layout.SetText(text.data(), text.size());
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(layout.Get(), std::max<LONG>(width, 0) * PANGO_SCALE, 0, &index, &trailing);
    const char* utf8 = pango_layout_get_text(layout.Get());
    return static_cast<size_t>(g_utf8_pointer_to_offset(utf8, utf8 + index));
  }

  void PushItem(HtmlItem item) {
    item.x = m_penX;
    item.selected = m_selected;
    item.valign = m_valigns.back();
    m_lineSpacing = std::max(m_lineSpacing, m_spacings.back());
    m_penX += item.width;
    m_line.items.push_back(std::move(item));
  }

  void PushText(const std::wstring& text, LONG width) {
    HtmlItem item;
    item.text = text;
    item.width = width;
    item.font = Font();
    item.color = m_colors.back();
    item.height = FontHeight(Font());
    PushItem(std::move(item));
  }

  // The line being filled is the last one that fits the rectangle.
  bool IsLastLine() const {
    if (SingleLine()) return true;
    LONG height = std::max(LineHeight(), FontHeight(Font()) + m_lineSpacing);
    return m_top + height >= m_rect.bottom;
  }

  void AddRun(std::wstring text) {
    while (!text.empty() && !m_done) {
      const LONG available = m_rect.right - m_penX;
      const LONG width = MeasureRun(text);
      if (width <= available) {
        PushText(text, width);
        return;
      }
      size_t count = std::min(FitCount(text, available), text.size());
      if ((m_format & kTextWordBreak) != 0) {
        size_t cut = 0;
        for (size_t i = count; i > 0; --i) {
          if (text[i - 1] == L' ' || !IsAsciiLetter(text[i - 1])) {
            cut = i;
            break;
          }
        }
        if (cut > 0) count = cut;
        else if (!AtLineStart()) count = 0;
      }
      if (count == 0 && AtLineStart()) count = 1;
      if ((m_format & kTextEndEllipsis) != 0 && IsLastLine()) {
        const std::wstring kept = text.substr(0, count >= 2 ? count - 2 : 0) + L"...";
        PushText(kept, MeasureRun(kept));
        NewLine();
        m_done = true;
        return;
      }
      if (count > 0) {
        const std::wstring head = text.substr(0, count);
        PushText(head, MeasureRun(head));
      }
      NewLine();
      text.erase(0, count);
    }
  }

  const FontEntry* StyledFont(bool bold, bool underline, bool italic) {
    const FontEntry* base = Font();
    if (base == nullptr) return nullptr;
    return FindOrAddFont(base->faceName, base->size, bold, underline, italic, base->strikeout);
  }

  const FontEntry* FindOrAddFont(LPCWSTR face, int size, bool bold, bool underline, bool italic, bool strikeout) {
    if (HFONT found = m_manager->FindFont(face, size, bold, underline, italic, strikeout))
      return m_manager->GetFontInfo(found);
    const int id = g_nextHtmlFontId.fetch_add(1);
    if (m_manager->AddFont(id, face, size, bold, underline, italic, strikeout) == nullptr) return nullptr;
    return m_manager->GetFontInfo(id);
  }

  void PushFont(const FontEntry* font) { m_fonts.push_back(font != nullptr ? font : Font()); }

  const FontEntry* ParseFontTag(const std::wstring& arg) {
    size_t pos = 0;
    const LONG id = ReadDecimal(arg, pos, -1);
    if (id >= 0) return m_manager->GetFontInfo(static_cast<int>(id));
    pos = 0;
    while (pos < arg.size() && arg[pos] == L' ') ++pos;
    const size_t faceStart = pos;
    while (pos < arg.size() && arg[pos] != L' ') ++pos;
    const std::wstring face = arg.substr(faceStart, pos - faceStart);
    if (face.empty()) return nullptr;
    const LONG size = ReadDecimal(arg, pos, 10);
    std::wstring words = arg.substr(pos);
    for (wchar_t& c : words) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    const bool bold = words.find(L"bold") != std::wstring::npos;
    const bool underline = words.find(L"underline") != std::wstring::npos;
    const bool italic = words.find(L"italic") != std::wstring::npos;
    const bool strikeout = words.find(L"strikeout") != std::wstring::npos;
    return FindOrAddFont(face.c_str(), static_cast<int>(size), bold, underline, italic, strikeout);
  }

  void AddImage(const std::wstring& arg) {
    CUIString name;
    CUIString type;
    size_t pos = 0;
    if (arg.find(L"file='") != std::wstring::npos || arg.find(L"res='") != std::wstring::npos) {
      ImageDrawSpec drawSpec;
      ImageSource source;
      ParseImageDescription(arg.c_str(), drawSpec, source);
      name = source.name;
      type = source.type;
      pos = arg.rfind(L'\'') + 1;
    } else {
      pos = arg.find(L' ');
      if (pos == std::wstring::npos) pos = arg.size();
      name = CUIString(arg.c_str(), static_cast<int>(pos));
    }
    const LONG frames = std::max<LONG>(1, ReadDecimal(arg, pos, 1));
    LONG frame = ReadDecimal(arg, pos, 0);
    if (frame < 0 || frame >= frames) frame = 0;
    const ImageEntry* image =
        m_manager->GetOrAddImage(name, type.IsEmpty() ? nullptr : type.GetData(), 0, false);
    if (image == nullptr) return;
    const LONG frameWidth = image->width / frames;
    if (frameWidth <= 0) return;
    if (m_penX + frameWidth > m_rect.right && !AtLineStart() && !SingleLine()) NewLine();
    if (m_done) return;
    HtmlItem item;
    item.isImage = true;
    item.image = image;
    item.width = frameWidth;
    item.height = image->height;
    item.source = RECT{frame * frameWidth, 0, frame * frameWidth + frameWidth, image->height};
    PushItem(std::move(item));
  }

  void Open(wchar_t letter, const std::wstring& arg) {
    const FontEntry* font = Font();
    switch (letter) {
      case L'a':
        if (m_inLink) return;
        m_inLink = true;
        m_linkText = arg.c_str();
        m_linkStartX = m_penX;
        m_linkSpans.clear();
        m_colors.push_back(m_linkText == m_hovered ? m_manager->GetDefaultLinkHoverFontColor()
                                                   : m_manager->GetDefaultLinkFontColor());
        PushFont(font != nullptr ? StyledFont(font->bold, true, font->italic) : nullptr);
        break;
      case L'b': PushFont(font != nullptr ? StyledFont(true, font->underline, font->italic) : nullptr); break;
      case L'u': PushFont(font != nullptr ? StyledFont(font->bold, true, font->italic) : nullptr); break;
      case L'i':
        if (arg.empty()) PushFont(font != nullptr ? StyledFont(font->bold, font->underline, true) : nullptr);
        else AddImage(arg);
        break;
      case L'c': m_colors.push_back(AvoidPureBlack(ParseColorValue(arg.c_str()))); break;
      case L'f': PushFont(ParseFontTag(arg)); break;
      case L'n': NewLine(); break;
      case L'p': {
        if (!AtLineStart()) NewLine();
        size_t pos = 0;
        const LONG spacing = std::max<LONG>(0, ReadDecimal(arg, pos, 0));
        m_spacings.push_back(spacing);
        m_lineSpacing = std::max(m_lineSpacing, spacing);
        break;
      }
      case L's': m_selected = true; break;
      case L'v': {
        std::wstring value = arg;
        for (wchar_t& c : value) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        m_valigns.push_back(value == L"center" ? VAlign::Center : (value == L"top" ? VAlign::Top : VAlign::Bottom));
        break;
      }
      case L'x': {
        size_t pos = 0;
        // The pen never needs to go past the right edge.
        m_penX = std::min<LONG>(m_penX + std::max<LONG>(0, ReadDecimal(arg, pos, 0)), std::max(m_penX, m_rect.right));
        break;
      }
      case L'y': {
        size_t pos = 0;
        m_fixedHeight = std::max<LONG>(0, ReadDecimal(arg, pos, 0));
        break;
      }
      default: break;
    }
  }

  template <typename T>
  static void PopKeepingBase(std::vector<T>& stack) {
    if (stack.size() > 1) stack.pop_back();
  }

  void Close(wchar_t letter) {
    switch (letter) {
      case L'a':
        if (!m_inLink) return;
        m_linkSpans.push_back(LinkSpan{m_lines.size(), m_linkStartX, m_penX});
        m_links.push_back(LinkRecord{m_linkSpans, m_linkText});
        m_inLink = false;
        PopKeepingBase(m_colors);
        PopKeepingBase(m_fonts);
        break;
      case L'b':
      case L'u':
      case L'i':
      case L'f': PopKeepingBase(m_fonts); break;
      case L'c': PopKeepingBase(m_colors); break;
      case L'p':
        if (m_spacings.size() < 2) return;
        m_spacings.pop_back();
        if (!AtLineStart()) NewLine();
        break;
      case L's': m_selected = false; break;
      case L'v': PopKeepingBase(m_valigns); break;
      default: break;
    }
  }

  CWindowManagerUI* m_manager;
  RECT m_rect;
  UINT m_format;
  CUIString m_hovered;
  std::vector<const FontEntry*> m_fonts;
  std::vector<DWORD> m_colors;
  std::vector<LONG> m_spacings;
  std::vector<VAlign> m_valigns;
  bool m_selected = false;
  bool m_inLink = false;
  CUIString m_linkText;
  LONG m_linkStartX = 0;
  std::vector<LinkSpan> m_linkSpans;
  std::vector<LinkRecord> m_links;
  std::vector<HtmlLine> m_lines;
  HtmlLine m_line;
  LONG m_penX = 0;
  LONG m_top = 0;
  LONG m_fixedHeight = -1;
  LONG m_lineSpacing = 0;
  bool m_done = false;
};

LONG LineOffset(const HtmlLine& line, const RECT& rect, UINT format) {
  const LONG free = std::max<LONG>(0, (rect.right - rect.left) - line.width);
  if ((format & kTextCenter) != 0) return free / 2;
  if ((format & kTextRight) != 0) return free;
  return 0;
}

LONG ItemTop(const HtmlItem& item, const HtmlLine& line) {
  switch (item.valign) {
    case VAlign::Top: return line.top;
    case VAlign::Center: return line.top + (line.height - item.height) / 2;
    case VAlign::Bottom: break;
  }
  return line.top + line.height - item.height;
}

void DrawLines(cairo_t* dc, CWindowManagerUI* manager, const std::vector<HtmlLine>& lines, const RECT& rect,
               UINT format, LONG dy) {
  const DWORD selectedColor = manager->GetDefaultSelectedBkColor();
  for (const HtmlLine& line : lines) {
    const LONG dx = LineOffset(line, rect, format);
    for (const HtmlItem& item : line.items) {
      const LONG x = item.x + dx;
      const LONG y = ItemTop(item, line) + dy;
      if (item.selected) {
        CRenderer::DrawColor(dc, RECT{x, line.top + dy, x + item.width, line.top + dy + line.height},
                             selectedColor | 0xFF000000u);
      }
      if (item.isImage) {
        const RECT dest{x, y, x + item.width, y + item.height};
        CRenderer::DrawImageRect(dc, *item.image, dest, dest, item.source, RECT{}, item.image->HasAlpha(), 255, false,
                                 false, false);
      } else {
        // The same layout that measured the run.
        const CStoredTextLayout run(manager, TextLayoutKey{item.font, item.text});
        CTextLayout::Draw(dc, run.Get(), x, y, item.color);
      }
    }
  }
}

}  // namespace

void CRenderer::DrawHtmlText(cairo_t* dc, CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD defaultColor,
                             RECT* linkRects, CUIString* linkTexts, int& linkCount, int fontId, UINT format,
                             POINT hover) {
  const int capacity = (linkRects != nullptr && linkTexts != nullptr) ? std::max(linkCount, 0) : 0;
  linkCount = 0;
  if (text == nullptr || manager == nullptr) return;
  const bool measuring = (format & kTextCalcRect) != 0;
  if (dc == nullptr && !measuring) return;
  CUIString expanded(text);
  CResourceSettingsUI::ExpandLanguageTokens(expanded);
  rect = ClampToDrawableRange(rect);

  CUIString hovered;
  for (int i = 0; i < capacity; ++i) {
    if (RectContains(linkRects[i], hover)) {
      hovered = linkTexts[i];
      break;
    }
  }

  CHtmlLayout layout(manager, rect, format, defaultColor, fontId, hovered);
  layout.Build(expanded);
  const std::vector<HtmlLine>& lines = layout.Lines();
  LONG total = 0;
  LONG widest = 0;
  for (const HtmlLine& line : lines) {
    total += line.height;
    widest = std::max(widest, line.width);
  }
  if (measuring) {
    rect.right = rect.left + std::min(widest, rect.right - rect.left);
    rect.bottom = rect.top + total;
    return;
  }
  const LONG freeHeight = std::max<LONG>(0, (rect.bottom - rect.top) - total);
  LONG dy = 0;
  if ((format & kTextVCenter) != 0) dy = freeHeight / 2;
  else if ((format & kTextBottom) != 0) dy = freeHeight;

  cairo_save(dc);
  cairo_rectangle(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_clip(dc);
  DrawLines(dc, manager, lines, rect, format, dy);
  cairo_restore(dc);

  for (const LinkRecord& link : layout.Links()) {
    for (const LinkSpan& span : link.spans) {
      if (linkCount >= capacity || span.line >= lines.size()) break;
      const HtmlLine& line = lines[span.line];
      const LONG dx = LineOffset(line, rect, format);
      linkRects[linkCount] = RECT{span.x0 + dx, line.top + dy, span.x1 + dx, line.top + dy + line.height};
      linkTexts[linkCount] = link.text;
      ++linkCount;
    }
  }
}

}  // namespace SkinUI
