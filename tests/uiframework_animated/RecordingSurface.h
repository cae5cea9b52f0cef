// A paint surface that records the smooth lines, turned images and text
// the animated controls draw, and ignores the rest.
#pragma once

#include "uiframework/render/PaintSurface.h"

#include <vector>

namespace animtest {

using namespace SkinUI;

struct RecordedLine {
  double x0, y0, x1, y1, width;
  DWORD color;
};

struct RecordedImage {
  const ImageEntry* image;
  RECT dest;
  ImageTurn turn;
};

class RecordingSurface : public IPaintSurfaceUI {
 public:
  std::vector<RecordedLine> lines;
  std::vector<RecordedImage> images;
  std::vector<DWORD> fills;
  int texts = 0;

  void DrawColor(const RECT&, DWORD color) override { fills.push_back(color); }
  void DrawGradient(const RECT&, DWORD, DWORD, bool, int) override {}
  void DrawLine(const RECT&, int, DWORD, int) override {}
  void DrawRect(const RECT&, int, DWORD, int) override {}
  void DrawRoundRect(const RECT&, int, int, int, DWORD, int) override {}
  void DrawSmoothLine(double x0, double y0, double x1, double y1, double width, DWORD color) override {
    lines.push_back(RecordedLine{x0, y0, x1, y1, width, color});
  }
  bool DrawImage(CWindowManagerUI*, const RECT&, const RECT&, ImageDrawSpec&) override { return true; }
  void DrawImageEntry(const ImageEntry& image, const RECT& dest, const ImageTurn& turn) override {
    images.push_back(RecordedImage{&image, dest, turn});
  }
  void PushClip(const RECT&) override {}
  void PushRoundClip(const RECT&, const RECT&, int, int) override {}
  void PopClip() override {}
  void DrawText(CWindowManagerUI*, RECT&, LPCWSTR, DWORD, int, UINT) override { ++texts; }
  void DrawHtmlText(CWindowManagerUI*, RECT&, LPCWSTR, DWORD, RECT*, CUIString*, int& linkCount, int, UINT,
                    POINT) override {
    linkCount = 0;
  }
  void DrawTextEffects(CWindowManagerUI*, const RECT&, LPCWSTR, int, UINT, const TextEffects&) override { ++texts; }
};

}  // namespace animtest
