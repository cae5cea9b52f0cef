// ITextMeasurerUI: the size text takes in one of a window's fonts, asked
// outside painting (controls size themselves before anything is drawn).
// Measuring and drawing use the same text engine, so a measured size is
// the size the text is drawn at. The render engine implements it
// (CRenderEngineUI); start-up installs it with InstallRenderServices.
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIGeometry.h"

namespace SkinUI {

class CWindowManagerUI;

class ITextMeasurerUI {
 public:
  virtual ~ITextMeasurerUI() = default;

  // Plain text in the font fontId of the manager (-1: its default font),
  // laid out with the kText* format flags inside a box of the given size:
  // with kTextWordBreak (and not kTextSingleLine) wrapped within box.cx.
  // The width is the widest line's, the height that of all lines.
  virtual SIZE MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) = 0;
  // Lightly formatted text (the tags of DrawHtmlText), never wider than
  // box.cx.
  virtual SIZE MeasureHtmlText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) = 0;
};

}  // namespace SkinUI
