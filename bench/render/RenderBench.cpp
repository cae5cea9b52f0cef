// Prints the time of a full repaint of a 900x600 window painted with a
// typical skin, of a 50x30 partial repaint, and the memory a window's
// surface and decoded images take. With a file name as argument it also
// writes the painted window as a PNG.
#include "bench/render/BenchSkinImages.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"

#include <cairo.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 600;

struct BenchControl {
  RECT rect;
  ImageDrawSpec image;
  DWORD color = 0;
  DWORD gradient = 0;
  std::wstring text;
  bool html = false;
  UINT format = 0;
};

std::vector<BenchControl> BuildSkin() {
  std::vector<BenchControl> controls;
  auto add = [&](RECT rc, LPCWSTR image, DWORD color, DWORD gradient, LPCWSTR text, bool html, UINT format) {
    BenchControl c;
    c.rect = rc;
    if (image != nullptr) c.image.description = image;
    c.color = color;
    c.gradient = gradient;
    if (text != nullptr) c.text = text;
    c.html = html;
    c.format = format;
    controls.push_back(std::move(c));
  };
  add(RECT{0, 0, kWidth, kHeight}, L"file='bk.png' corner='10,10,10,10'", 0, 0, nullptr, false, 0);
  add(RECT{10, 10, kWidth - 10, 50}, nullptr, 0xFF2D6CDF, 0xFF1B4FAE, L"Brisgol加速器插件", false,
      kTextSingleLine | kTextVCenter | kTextLeft);
  add(RECT{kWidth - 40, 18, kWidth - 16, 42}, L"file='btn.png' source='24,0,48,24'", 0, 0, nullptr, false, 0);
  for (int i = 0; i < 3; ++i) {
    const LONG left = 20 + i * 150;
    add(RECT{left, 60, left + 140, 100}, L"file='btn.png' source='0,0,24,24' corner='4,4,4,4'", 0, 0, L"线路 1 电信",
        false, kTextSingleLine | kTextVCenter | kTextCenter);
  }
  add(RECT{20, 110, kWidth - 20, 112}, L"file='line.png' xtiled='true'", 0, 0, nullptr, false, 0);
  add(RECT{20, 120, kWidth - 20, 540}, L"file='bk.png' corner='10,10,10,10' hole='true'", 0x40FFFFFF, 0, nullptr,
      false, 0);
  for (int row = 0; row < 12; ++row) {
    const LONG top = 130 + row * 32;
    add(RECT{40, top, 56, top + 16}, L"icon.png", 0, 0, nullptr, false, 0);
    add(RECT{64, top, 500, top + 24}, nullptr, 0, 0, L"正在连接加速服务器，请稍候 connecting to the server", false,
        kTextSingleLine | kTextVCenter | kTextEndEllipsis);
    add(RECT{520, top, 860, top + 24}, nullptr, 0, 0,
        L"<b>状态</b> <c #FF2D6CDF>良好</c> 延迟 <a http://x>32 ms</a>", true, kTextSingleLine);
  }
  add(RECT{20, 550, kWidth - 20, 590}, nullptr, 0, 0,
      L"加速成功后，游戏流量将经由本地代理转发。A longer line of wrapped explanatory text follows here.", false,
      kTextWordBreak);
  return controls;
}

void Paint(cairo_t* dc, CWindowManagerUI& manager, std::vector<BenchControl>& controls, const RECT& paint) {
  CCairoPaintSurfaceUI surface(dc);
  surface.PushClip(paint);
  for (BenchControl& c : controls) {
    RECT meet;
    if (!RectIntersect(meet, c.rect, paint)) continue;
    if (c.gradient != 0) surface.DrawGradient(c.rect, c.color, c.gradient, true, 16);
    else if (c.color != 0) surface.DrawColor(c.rect, c.color);
    if (!c.image.description.IsEmpty()) surface.DrawImage(&manager, c.rect, paint, c.image);
    if (!c.text.empty()) {
      RECT rc = c.rect;
      if (c.html) {
        RECT links[4];
        CUIString texts[4];
        int count = 4;
        surface.DrawHtmlText(&manager, rc, c.text.c_str(), 0xFF202020, links, texts, count, 0, c.format,
                             POINT{-1, -1});
      } else {
        surface.DrawText(&manager, rc, c.text.c_str(), 0xFF202020, 0, c.format);
      }
    }
  }
}

double MillisPerPaint(cairo_t* dc, CWindowManagerUI& manager, std::vector<BenchControl>& controls, const RECT& paint,
                      int rounds) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) Paint(dc, manager, controls, paint);
  const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bench_render_skin";
  std::filesystem::create_directories(folder);
  if (!WriteBenchSkin(folder.string())) {
    std::fprintf(stderr, "cannot write the skin images\n");
    return 1;
  }
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  CResourceSettingsUI::SetResourcePath((folder.wstring() + L"/").c_str());
  CWindowManagerUI manager;
  manager.SetDefaultFont(kDefaultFontFace, 13, false, false, false, false);
  std::vector<BenchControl> controls = BuildSkin();

  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* dc = cairo_create(target);
  Paint(dc, manager, controls, RECT{0, 0, kWidth, kHeight});  // loads images and fonts once

  const double full = MillisPerPaint(dc, manager, controls, RECT{0, 0, kWidth, kHeight}, 30);
  const double partial = MillisPerPaint(dc, manager, controls, RECT{300, 200, 350, 230}, 300);
  size_t imageBytes = 0;
  for (LPCWSTR name : {L"bk.png", L"btn.png", L"icon.png", L"line.png"}) {
    if (const ImageEntry* image = manager.GetImage(name)) imageBytes += image->Pixels().size() * 4;
  }
  const size_t surfaceBytes = static_cast<size_t>(cairo_image_surface_get_stride(target)) * kHeight;
  std::printf("full repaint 900x600: %.2f ms\n", full);
  std::printf("partial repaint 50x30: %.3f ms\n", partial);
  std::printf("memory per window: surface %zu KiB, decoded skin images %zu KiB\n", surfaceBytes / 1024,
              imageBytes / 1024);

  if (argc > 1) {
    cairo_surface_flush(target);
    WriteSurfacePng(argv[1], cairo_image_surface_get_data(target), kWidth, kHeight,
                    cairo_image_surface_get_stride(target));
  }
  cairo_destroy(dc);
  cairo_surface_destroy(target);
  std::filesystem::remove_all(folder);
  return 0;
}
