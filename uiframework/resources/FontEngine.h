// The font engine in place of GDI fonts: a font is a face name, a pixel
// height and four style flags, realised through pango over cairo. It
// reports the text metrics the renderer lays text out with.
#pragma once

#include "platform/Types.h"

#include <string>

typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoFontMap PangoFontMap;

namespace SkinUI {

// The face of the system's default GUI font: a CJK-capable face, since
// every text the user sees is Chinese.
constexpr const wchar_t* kDefaultFontFace = L"WenQuanYi Micro Hei";
constexpr int kDefaultFontPixels = 12;

struct TextMetricsUI {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
};

class CFontUI {
 public:
  // Null for an empty face or a height outside 1..2000 pixels.
  static CFontUI* Create(LPCWSTR face, int pixelHeight, bool bold, bool underline, bool italic, bool strikeout);
  ~CFontUI();
  CFontUI(const CFontUI&) = delete;
  CFontUI& operator=(const CFontUI&) = delete;

  const std::wstring& GetFace() const { return m_face; }
  int GetPixelHeight() const { return m_pixelHeight; }
  bool IsBold() const { return m_bold; }
  bool IsUnderline() const { return m_underline; }
  bool IsItalic() const { return m_italic; }
  bool IsStrikeout() const { return m_strikeout; }
  // The pango description (family, absolute size, weight, style) for
  // drawing; underline and strikeout are text attributes, not font ones.
  const PangoFontDescription* GetDescription() const { return m_description; }
  // Measures the font on first use.
  const TextMetricsUI& GetMetrics();

 private:
  CFontUI() = default;

  std::wstring m_face;
  int m_pixelHeight = 0;
  bool m_bold = false;
  bool m_underline = false;
  bool m_italic = false;
  bool m_strikeout = false;
  PangoFontDescription* m_description = nullptr;
  bool m_measured = false;
  TextMetricsUI m_metrics;
};

using HFONT = CFontUI*;

// The font map fonts are measured with; text drawing uses the same one so
// that measured and drawn text agree. Released when the process ends.
PangoFontMap* FontEngineFontMap();
// Makes the font map now: fontconfig then reads its configuration and
// font caches on a thread of its own while start-up goes on, and the first
// text measured finds them ready (or waits for the rest).
void StartFontEngine();

}  // namespace SkinUI
