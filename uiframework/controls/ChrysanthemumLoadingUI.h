// CChrysanthemumLoadingUI ("ChrysanthemumLoading"): a loading indicator of
// radial spokes. One spoke is drawn opaque, the others fade in towards it
// clockwise, and every tick of control timer 100 moves the opaque spoke
// one place on. Each tick lays the spokes out once; painting draws that
// layout, a caption and nothing else. The timer runs only while the
// spinner can be seen: it, its ancestors and its window shown, the window
// not minimised; a hidden spinner costs nothing.
#pragma once

#include "uiframework/controls/AnimatedTextStyle.h"
#include "uiframework/controls/ControlUI.h"
#include "uiframework/manager/MessageFilter.h"

#include <vector>

namespace SkinUI {

class CChrysanthemumLoadingUI : public CControlUI, private IMessageFilterUI {
 public:
  static constexpr UINT kAnimationTimer = 100;
  // Spoke counts outside 1..kMaxSpokes are refused.
  static constexpr int kMaxSpokes = 360;

  ~CChrysanthemumLoadingUI() override;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetPos(RECT rc, bool invalidate = true) override;
  void SetVisible(bool visible = true) override;
  void SetShownByParent(bool shown) override;
  void InitControl() override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  bool PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) override;

  // The index of the spoke drawn opaque.
  int GetPhase() const { return m_phase; }
  int GetSpokeCount() const { return m_spokeCount; }

 private:
  struct Spoke {
    double x0, y0, x1, y1;  // relative to the control's top-left corner
    DWORD color;
  };

  void RebuildSpokes();
  void RenderSpokes();
  // Watches its window being shown, hidden, minimised and restored.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // Arms or stops the animation timer as the spinner can be seen or not.
  void UpdateAnimation();

  bool m_windowShown = false;
  CWindowManagerUI* m_watched = nullptr;
  int m_interval = 40;
  int m_spokeCount = 10;
  int m_thickness = 4;
  int m_phase = 0;
  int m_outerRadius = 0;
  int m_innerRadius = 0;
  DWORD m_spokeColor = 0xFF000000;
  std::vector<DWORD> m_colors;
  std::vector<double> m_angles;
  AnimatedTextStyle m_textStyle;
  std::vector<Spoke> m_frame;
  bool m_rendered = false;
};

}  // namespace SkinUI
