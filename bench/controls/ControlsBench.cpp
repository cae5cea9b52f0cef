// Prints the paint time of one control of each type (120x34, its usual
// states drawn from colour images, text in the default font) on a cairo
// surface, and the time of a full repaint of a 900x600 window holding the
// control gallery, through the window's WM_PAINT (goal: 2 ms or less).
#include "MainWnd/ProgramControls.h"
#include "platform/window/Headless.h"
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_controls/GalleryImage.h"
#include "uiframework/layout/HorizontalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/DialogBuilder.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/resources/RenderServices.h"
#include "uiframework/window/WindowWnd.h"

#include <cairo.h>
#include <chrono>
#include <cstdio>

using namespace SkinUI;

namespace {

class BenchWindow : public CWindowWnd {
 public:
  CWindowManagerUI pm;

 protected:
  LPCWSTR WindowClassName() const override { return L"ControlsBenchWindow"; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) pm.Init(m_hWnd, L"bench");
    LRESULT result = 0;
    if (pm.HandleWindowMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::OnMessage(message, wParam, lParam);
  }
};

template <typename F>
double MillisPerRound(int rounds, F&& round) {
  round();  // warm: images decoded, fonts loaded, layouts cached
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) round();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

struct Sample {
  const char* what;
  const wchar_t* markup;  // one control, placed at 0,0 120x34
};

constexpr Sample kSamples[] = {
    {"Control (colour, border)", L"<Control bkcolor=\"#FFE2E7EE\" bordercolor=\"#FF8899AA\" bordersize=\"1\"/>"},
    {"Label (plain)", L"<Label text=\"Plain label text\"/>"},
    {"Label (formatted)", L"<Label showhtml=\"true\" text=\"&lt;b&gt;Bold&lt;/b&gt; and &lt;c #FF0000&gt;red&lt;/c&gt;\"/>"},
    {"Text (2 links)", L"<Text showhtml=\"true\" text=\"Go &lt;a a&gt;here&lt;/a&gt; or &lt;a b&gt;there&lt;/a&gt;\"/>"},
    {"Button", L"<Button text=\"按钮\" normalimage=\"color='#FF2F6FD0'\" hotimage=\"color='#FF4C8BE8'\"/>"},
    {"Option (selected)", L"<Option text=\"线路二\" group=\"g\" selected=\"true\" normalimage=\"color='#FFE2E7EE'\" "
                          L"selectedimage=\"color='#FF2F6FD0'\"/>"},
    {"CheckBox", L"<CheckBox text=\"开机启动\" textpadding=\"20,0,0,0\" foreimage=\"color='#FF3B9A5A' dest='0,8,14,22'\"/>"},
    {"ContainerEx (children shown)", L"<ContainerEx musthotchildvisible=\"false\" normalimage=\"color='#FFE2E7EE'\">"
                                     L"<Button float=\"true\" pos=\"4,4,60,30\" text=\"x\"/></ContainerEx>"},
};

void BenchOneControl(const Sample& sample, cairo_t* dc) {
  CWindowManagerUI manager;
  CProgramControlsCallback callback;
  CDialogBuilder builder;
  const std::wstring markup = std::wstring(L"<Window><HorizontalLayout>") + sample.markup + L"</HorizontalLayout></Window>";
  CControlUI* root = builder.Create(markup.c_str(), nullptr, &callback, &manager);
  if (root == nullptr) {
    std::printf("%-30s  markup did not build\n", sample.what);
    return;
  }
  manager.AttachRoot(root);
  manager.UpdateLayout(RECT{0, 0, 120, 34});
  CControlUI* control = static_cast<CContainerUI*>(root)->GetItemAt(0);
  CCairoPaintSurfaceUI surface(dc);
  const RECT all{0, 0, 120, 34};
  const double ms = MillisPerRound(2000, [&] { control->Paint(&surface, all, nullptr); });
  std::printf("%-30s  %7.1f us per paint\n", sample.what, ms * 1000.0);
}

}  // namespace

int main() {
  TempMachineRoot machineRoot;
  SkinUI::CRenderEngineUI engine;
  SkinUI::CScopedRenderServicesUI services(engine.Services());

  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 34);
  cairo_t* dc = cairo_create(target);
  std::printf("paint time per control type (120x34):\n");
  for (const Sample& sample : kSamples) BenchOneControl(sample, dc);
  cairo_destroy(dc);
  cairo_surface_destroy(target);

  BenchWindow window;
  window.Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, gallery::kWidth, gallery::kHeight);
  CProgramControlsCallback callback;
  CDialogBuilder builder;
  gallery::ScopedGalleryFolder folder;
  CControlUI* root = builder.Create(gallery::kMarkupName, nullptr, &callback, &window.pm);
  if (root == nullptr) {
    std::fprintf(stderr, "the gallery markup did not build\n");
    return 1;
  }
  window.pm.AttachRoot(root);
  while (Headless::PumpMessages() > 0) {
  }
  const double full = MillisPerRound(200, [&] {
    window.pm.Invalidate();
    Headless::PumpMessages();
  });
  std::printf("full repaint 900x600 of the control gallery (WM_PAINT): %.2f ms (goal <= 2 ms)\n", full);
  ::DestroyWindow(window.GetHWND());
  return 0;
}
