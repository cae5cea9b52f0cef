// Prints the time of a full repaint of a 900x600 skinned window (nine-
// slice and tiled images, gradients, colours; a tree of about 60
// controls), of a 50x30 partial repaint, and the memory per window, all
// through the window's own WM_PAINT on the headless window system.
#include "bench/render/BenchSkinImages.h"
#include "platform/window/Headless.h"
#include "tests/support/TempMachineRoot.h"
#include "uiframework/layout/HorizontalLayoutUI.h"
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/window/WindowWnd.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 600;

class BenchWindow : public CWindowWnd {
 public:
  CWindowManagerUI pm;

 protected:
  LPCWSTR WindowClassName() const override { return L"BenchWindow"; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) pm.Init(m_hWnd, L"bench");
    LRESULT result = 0;
    if (pm.HandleWindowMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::OnMessage(message, wParam, lParam);
  }
};

CControlUI* Make(CControlUI* control, LPCWSTR attributes) {
  control->ApplyAttributes(attributes);
  return control;
}

CControlUI* BuildTree() {
  auto* root = static_cast<CVerticalLayoutUI*>(
      Make(new CVerticalLayoutUI, L"bkimage=\"file='bk.png' corner='10,10,10,10'\" inset=\"10,10,10,10\""));
  auto* title = static_cast<CHorizontalLayoutUI*>(
      Make(new CHorizontalLayoutUI, L"height=\"40\" bkcolor=\"#FF2D6CDF\" bkcolor2=\"#FF1B4FAE\""));
  title->Add(new CControlUI);
  title->Add(Make(new CControlUI, L"width=\"24\" bkimage=\"file='btn.png' source='24,0,48,24'\""));
  root->Add(title);
  auto* lines = static_cast<CHorizontalLayoutUI*>(Make(new CHorizontalLayoutUI, L"height=\"40\""));
  for (int i = 0; i < 3; ++i)
    lines->Add(Make(new CControlUI, L"width=\"140\" bkimage=\"file='btn.png' source='0,0,24,24' corner='4,4,4,4'\""));
  root->Add(lines);
  root->Add(Make(new CControlUI, L"height=\"2\" bkimage=\"file='line.png' xtiled='true'\""));
  auto* content = static_cast<CVerticalLayoutUI*>(
      Make(new CVerticalLayoutUI, L"bkcolor=\"#40FFFFFF\" bkimage=\"file='bk.png' corner='10,10,10,10' hole='true'\""));
  for (int row = 0; row < 12; ++row) {
    auto* line = static_cast<CHorizontalLayoutUI*>(Make(new CHorizontalLayoutUI, L"height=\"32\""));
    line->Add(Make(new CControlUI, L"width=\"16\" bkimage=\"icon.png\""));
    line->Add(Make(new CControlUI, L"width=\"440\" bkcolor=\"#FFF0F0F0\" bordersize=\"1\" bordercolor=\"#FFC0C0C0\""));
    line->Add(Make(new CControlUI, L"bkcolor=\"#FFE0E8FF\""));
    content->Add(line);
  }
  root->Add(content);
  return root;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

template <typename F>
double MillisPerRound(int rounds, F&& round) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) round();
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

}  // namespace

int main() {
  TempMachineRoot machineRoot;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bench_window_manager_skin";
  std::filesystem::create_directories(folder);
  if (!WriteBenchSkin(folder.string())) {
    std::fprintf(stderr, "cannot write the skin images\n");
    return 1;
  }
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  CResourceSettingsUI::SetResourcePath((folder.wstring() + L"/").c_str());

  const long before = ResidentKiB();
  BenchWindow window;
  window.Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 0, kWidth, kHeight);
  window.pm.AttachRoot(BuildTree());
  while (Headless::PumpMessages() > 0) {
  }
  const long after = ResidentKiB();

  const double full = MillisPerRound(30, [&] {
    window.pm.Invalidate();
    Headless::PumpMessages();
  });
  const double partial = MillisPerRound(300, [&] {
    window.pm.Invalidate(RECT{300, 200, 350, 230});
    Headless::PumpMessages();
  });
  std::printf("full repaint 900x600 (WM_PAINT, ~60 controls): %.2f ms\n", full);
  std::printf("partial repaint 50x30 (WM_PAINT): %.3f ms\n", partial);
  size_t imageBytes = 0;
  int images = 0;
  for (LPCWSTR name : {L"bk.png", L"btn.png", L"icon.png", L"line.png"}) {
    if (const ImageEntry* image = window.pm.GetImage(name)) {
      imageBytes += image->Pixels().size() * 4;
      ++images;
    }
  }
  std::printf("memory per window: window surface %zu KiB + off-screen surface %d KiB + %d decoded skin images %zu KiB;"
              " resident growth %ld KiB\n",
              Headless::SurfaceBytes(window.GetHWND()) / 1024, kWidth * kHeight * 4 / 1024, images,
              imageBytes / 1024, after - before);
  ::DestroyWindow(window.GetHWND());
  std::filesystem::remove_all(folder);
  return 0;
}
