// Fuzz target: the markup parser and the layout builder on arbitrary bytes.
// The first byte picks the encoding; the rest is the document. A document
// that parses is built into a control tree (every class of the class
// table, and the program's own controls through its builder callback),
// laid out, painted, and given a round of mouse events at each control.
#include "MainWnd/ProgramControls.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/DialogBuilder.h"
#include "uiframework/markup/MarkupElement.h"
#include "uiframework/markup/MarkupParser.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/resources/RenderServices.h"

#include <cairo.h>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Touches every element and attribute the way the builder reads them.
void Walk(SkinUI::CMarkupElement element, int depth) {
  for (; element.IsValid(); element = element.GetSibling()) {
    (void)element.GetName();
    (void)element.GetValue();
    const int count = element.GetAttributeCount();
    for (int i = 0; i <= count; ++i) {
      (void)element.GetAttributeName(i);
      (void)element.GetAttributeValue(i);
    }
    wchar_t buffer[8];
    element.GetAttributeValue(L"name", buffer, 8);
    if (depth < 300) Walk(element.GetChild(), depth + 1);
  }
}

SkinUI::CControlUI* Collect(SkinUI::CControlUI* control, void* data) {
  static_cast<std::vector<SkinUI::CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

// Paints the whole tree onto a window-sized surface.
void PaintTree(SkinUI::CWindowManagerUI& manager, cairo_t* dc) {
  SkinUI::CCairoPaintSurfaceUI surface(dc);
  const SkinUI::RECT all{0, 0, 900, 600};
  manager.GetRoot()->Paint(&surface, all, nullptr);
}

// Enter, press, release, timer and leave at the centre of every control
// the painting reached (at most a few hundred, to keep runs short).
void Poke(SkinUI::CWindowManagerUI& manager) {
  using namespace SkinUI;
  std::vector<CControlUI*> controls;
  manager.GetRoot()->FindControl(Collect, &controls, UIFIND_ALL);
  if (controls.size() > 300) controls.resize(300);
  for (CControlUI* control : controls) {
    const RECT& rc = control->GetPos();
    UIEvent event;
    event.sender = control;
    event.mouse = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    for (std::int32_t type : {UIEVENT_MOUSEENTER, UIEVENT_SETCURSOR, UIEVENT_BUTTONDOWN, UIEVENT_MOUSEMOVE,
                              UIEVENT_BUTTONUP, UIEVENT_TIMER, UIEVENT_KEYDOWN, UIEVENT_MOUSELEAVE}) {
      event.type = type;
      event.wParam = type == UIEVENT_TIMER ? 11 : 0;
      event.key = 0x20;
      control->DispatchEvent(event);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace SkinUI;
  if (size == 0) return 0;
  static CRenderEngineUI engine;
  InstallRenderServices(engine.Services());
  CDialogBuilder builder;
  CMarkupParser* parser = builder.GetMarkup();
  if (!parser->LoadFromMem(data + 1, static_cast<DWORD>(size - 1), data[0] % 3)) return 0;
  Walk(parser->GetRoot(), 0);
  CWindowManagerUI manager;
  CProgramControlsCallback callback;
  CControlUI* root = builder.Create(&callback, &manager, nullptr);
  if (root != nullptr) {
    manager.AttachRoot(root);
    manager.UpdateLayout(RECT{0, 0, 900, 600});
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 900, 600);
    cairo_t* dc = cairo_create(target);
    PaintTree(manager, dc);
    Poke(manager);
    manager.RunQueuedWork();
    manager.UpdateLayout(RECT{0, 0, 900, 600});
    if (manager.GetRoot() != nullptr) PaintTree(manager, dc);
    cairo_destroy(dc);
    cairo_surface_destroy(target);
  }
  CResourceSettingsUI::RemoveAllLanguageStrings();
  return 0;
}
