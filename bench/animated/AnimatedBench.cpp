// Paint time of the animated controls: a 64x64 spinner (10 spokes), a
// 64x64 rotating image turned 30 degrees, a 128x128 GIF frame stretched
// over 200x200, each with a tick of its animation between paints, and the
// decoding of a 60-frame 128x128 GIF.
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_render/GifWriter.h"
#include "uiframework/controls/ChrysanthemumLoadingUI.h"
#include "uiframework/controls/GifAnimUI.h"
#include "uiframework/controls/RotateImageUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/StbImageDecoder.h"
#include "uiframework/resources/ResourceSettings.h"

#include <cairo.h>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace SkinUI;

namespace {

double MicrosPerRun(int runs, const std::function<void()>& run) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) run();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::micro>(elapsed).count() / runs;
}

GifFrame Checker(int size, int phase) {
  GifFrame frame;
  frame.indices.resize(static_cast<size_t>(size * size));
  for (int i = 0; i < size * size; ++i) frame.indices[static_cast<size_t>(i)] = ((i / size + i % size + phase) / 8) % 3;
  frame.delayCentiseconds = 4;
  return frame;
}

void Tick(CControlUI& control) {
  UIEvent tick;
  tick.type = UIEVENT_TIMER;
  tick.wParam = 100;
  control.HandleEvent(tick);
}

}  // namespace

int main() {
  TempMachineRoot root;
  const auto skin = root.Dir("skin");
  std::vector<GifFrame> frames;
  for (int i = 0; i < 60; ++i) frames.push_back(Checker(128, i));
  const std::string gif = EncodeGif(128, 128, frames);
  WriteTestFile(skin / "anim.gif", gif);
  WriteTestFile(skin / "still.gif", EncodeGif(64, 64, {Checker(64, 0)}));
  CResourceSettingsUI::SetResourcePath((skin.wstring() + L"/").c_str());
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  CWindowManagerUI manager;

  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 900, 600);
  cairo_t* dc = cairo_create(target);
  CCairoPaintSurfaceUI surface(dc);

  CChrysanthemumLoadingUI spinner;
  spinner.SetAttribute(L"outradius", L"24");
  spinner.SetAttribute(L"innerradius", L"12");
  spinner.SetAttribute(L"bkcolor", L"#FFFFFFFF");
  spinner.SetPos(RECT{100, 100, 164, 164});
  const double spin = MicrosPerRun(2000, [&] {
    Tick(spinner);
    spinner.Paint(&surface, spinner.GetPos(), nullptr);
  });

  CRotateImageUI rotate;
  rotate.SetAttribute(L"bkimage", L"still.gif");
  rotate.SetAttribute(L"eachtimeangle", L"30");
  rotate.SetPos(RECT{300, 100, 364, 164});
  const double turn = MicrosPerRun(2000, [&] {
    Tick(rotate);
    rotate.Paint(&surface, rotate.GetPos(), nullptr);
  });

  CGifAnimUI player;
  player.SetAttribute(L"bkimage", L"anim.gif");
  player.SetPos(RECT{500, 100, 700, 300});
  player.Paint(&surface, player.GetPos(), nullptr);  // decodes
  const double frame = MicrosPerRun(2000, [&] { player.Paint(&surface, player.GetPos(), nullptr); });

  AnimatedImage decoded;
  const double decode = MicrosPerRun(20, [&] {
    DecodeAnimationBytes(gif, kMaxAnimationBytes, kMaxAnimationFrames, decoded);
  });

  std::printf("spinner 64x64, tick + paint:        %8.1f us\n", spin);
  std::printf("rotating image 64x64, tick + paint: %8.1f us\n", turn);
  std::printf("GIF frame 128x128 over 200x200:     %8.1f us\n", frame);
  std::printf("GIF decode, 60 frames 128x128:      %8.1f us (%zu frames, %.1f MiB)\n", decode, decoded.frames.size(),
              decoded.frames.size() * 128.0 * 128 * 4 / (1024 * 1024));
  cairo_destroy(dc);
  cairo_surface_destroy(target);
  CResourceSettingsUI::SetResourcePath(L"");
  return 0;
}
