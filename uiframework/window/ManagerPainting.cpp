// Painting the control tree: lay out what asked for it and paint the
// invalid rectangle, either straight into the window or, for a per-pixel
// layered window, into an off-screen surface over a background image with
// the alpha fixed, a drawn shadow and the window updated as a whole.
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/window/LayeredShadow.h"
#include "uiframework/window/ManagerWindowSide.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace SkinUI {

namespace {

// The pixels of an ARGB32 bitmap; flushed on creation, marked dirty when
// released.
class PixelView {
 public:
  explicit PixelView(HBITMAP bitmap) : m_surface(bitmap != nullptr ? ::GetBitmapSurface(bitmap) : nullptr) {
    if (m_surface == nullptr) return;
    cairo_surface_flush(m_surface);
    m_data = cairo_image_surface_get_data(m_surface);
    m_width = cairo_image_surface_get_width(m_surface);
    m_height = cairo_image_surface_get_height(m_surface);
    m_stride = cairo_image_surface_get_stride(m_surface);
  }
  ~PixelView() {
    if (m_surface != nullptr) cairo_surface_mark_dirty(m_surface);
  }
  PixelView(const PixelView&) = delete;
  PixelView& operator=(const PixelView&) = delete;

  bool Valid() const { return m_data != nullptr; }
  RECT Bounds() const { return RECT{0, 0, m_width, m_height}; }
  std::uint32_t* Row(int y) { return reinterpret_cast<std::uint32_t*>(m_data + static_cast<size_t>(y) * m_stride); }
  // The part of rc inside the bitmap; false when nothing is.
  bool Clip(const RECT& rc, RECT& out) const { return Valid() && RectIntersect(out, rc, Bounds()); }

 private:
  cairo_surface_t* m_surface;
  unsigned char* m_data = nullptr;
  int m_width = 0;
  int m_height = 0;
  int m_stride = 0;
};

// Makes the rectangle transparent, as a fresh surface is.
void ClearCairoRect(cairo_t* cr, const RECT& rc) {
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  cairo_fill(cr);
  cairo_restore(cr);
}

void ClearBitmapRect(HBITMAP bitmap, const RECT& rc) {
  PixelView view(bitmap);
  RECT area;
  if (!view.Clip(rc, area)) return;
  for (int y = area.top; y < area.bottom; ++y)
    std::memset(view.Row(y) + area.left, 0, static_cast<size_t>(area.right - area.left) * 4);
}

// Copies the source's pixels of rc to the same place of the target.
void CopyBitmapRect(HBITMAP target, HBITMAP source, const RECT& rc) {
  PixelView to(target);
  PixelView from(source);
  RECT area;
  if (!to.Clip(rc, area) || !from.Clip(area, area)) return;
  for (int y = area.top; y < area.bottom; ++y)
    std::memcpy(to.Row(y) + area.left, from.Row(y) + area.left, static_cast<size_t>(area.right - area.left) * 4);
}

SIZE SizeOf(const RECT& rc) { return SIZE{rc.right - rc.left, rc.bottom - rc.top}; }

}  // namespace

RECT CManagerWindowSide::ShadowInsetClient(const RECT& client) const {
  RECT rc = client;
  if (!m_layered) return rc;
  const int s = std::max(0, m_manager.GetWindowAttributes().shadowSize);
  rc.left += s;
  rc.top += s;
  rc.right = std::max(rc.left, rc.right - s);
  rc.bottom = std::max(rc.top, rc.bottom - s);
  return rc;
}

void CManagerWindowSide::DropOffscreen() {
  if (m_offscreenDc != nullptr) {
    ::SelectObject(m_offscreenDc, m_offscreenOld);
    ::DeleteDC(m_offscreenDc);
  }
  if (m_offscreenBitmap != nullptr) ::DeleteObject(m_offscreenBitmap);
  m_offscreenDc = nullptr;
  m_offscreenBitmap = nullptr;
  m_offscreenOld = nullptr;
}

bool CManagerWindowSide::EnsureOffscreen(const RECT& client) {
  const SIZE size = SizeOf(client);
  if (size.cx <= 0 || size.cy <= 0) return false;
  if (m_offscreenBitmap != nullptr) {
    const SIZE now = ::GetBitmapSize(m_offscreenBitmap);
    if (now.cx == size.cx && now.cy == size.cy) return true;
    DropOffscreen();
  }
  m_offscreenBitmap = ::CreateARGB32Bitmap(size.cx, size.cy, nullptr);
  m_offscreenDc = ::CreateCompatibleDC(m_windowDc);
  if (m_offscreenBitmap == nullptr || m_offscreenDc == nullptr) {
    DropOffscreen();
    return false;
  }
  m_offscreenOld = ::SelectObject(m_offscreenDc, m_offscreenBitmap);
  m_shadowDirty = true;
  return true;
}

void CManagerWindowSide::ClearPixels(const RECT& rc) { ClearBitmapRect(m_offscreenBitmap, rc); }

bool CManagerWindowSide::TakeInvalidRect(RECT& invalid, const RECT& client) {
  if (!m_layered) {
    m_manager.ClearInvalidRect();
    return ::GetUpdateRect(m_window, &invalid, FALSE) != FALSE && !RectIsEmpty(invalid);
  }
  const RECT accumulated = m_manager.GetInvalidRect();
  m_manager.ClearInvalidRect();
  if (RectIsEmpty(accumulated) || !RectIntersect(invalid, accumulated, ShadowInsetClient(client))) {
    PAINTSTRUCT ps;
    ::BeginPaint(m_window, &ps);
    ::EndPaint(m_window, &ps);
    return false;
  }
  return true;
}

// Lays out what needs it; false when painting must stop here.
bool CManagerWindowSide::LayOut(const RECT& client) {
  CControlUI* root = m_manager.GetRoot();
  if (m_manager.IsUpdateNeeded()) {
    if (RectIsEmpty(client)) {
      m_manager.DropLayoutRequest();
    } else {
      if (root->IsLayoutNeeded()) {
        // The off-screen surface is recreated at the new size.
        DropOffscreen();
        m_shadowDirty = true;
      }
      m_manager.UpdateLayout(ShadowInsetClient(client));
    }
    if (m_firstLayout) {
      m_firstLayout = false;
      m_manager.SendNotify(root, L"windowinit");
      if (m_layered && m_layeredChanged) {
        InvalidateClient();
        return false;
      }
    }
  } else if (m_layered && m_layeredChanged) {
    // Never write the off-screen buffer before it exists.
    if (m_offscreenBitmap != nullptr) ClearPixels(client);
    root->SetPos(ShadowInsetClient(client), true);
    m_shadowDirty = true;
  }
  return m_manager.GetRoot() != nullptr;
}

bool CManagerWindowSide::Paint() {
  if (m_manager.GetRoot() == nullptr) {
    PAINTSTRUCT ps;
    ::BeginPaint(m_window, &ps);
    ::EndPaint(m_window, &ps);
    m_manager.ClearInvalidRect();
    return true;
  }
  RECT client;
  ::GetClientRect(m_window, &client);
  RECT invalid;
  if (!TakeInvalidRect(invalid, client)) return true;
  if (m_manager.IsFocusNeeded()) m_manager.FocusNextTabStop(true);
  m_painting = true;
  // A layered window is composed off screen and handed over whole; any
  // other paints straight into the window's own surface, which the window
  // system keeps and shows once painting ends (a second buffer would only
  // be copied into it).
  const bool ready = m_layered ? EnsureOffscreen(client) : !RectIsEmpty(client);
  if (!LayOut(client) || !ready) {
    // Nothing to draw now: the window is valid until the next change.
    PAINTSTRUCT ps;
    ::BeginPaint(m_window, &ps);
    ::EndPaint(m_window, &ps);
    m_painting = false;
    return true;
  }
  // Layout may have moved controls outside the invalid rectangle: those
  // parts are invalid again and painted next time.
  PAINTSTRUCT ps;
  HDC paintDc = ::BeginPaint(m_window, &ps);
  HDC target = m_layered ? m_offscreenDc : paintDc;
  const int saved = ::SaveDC(target);
  if (m_layered) PrepareLayeredBackground(client, invalid);
  cairo_t* cr = ::CreateCairoForDC(target);
  if (cr != nullptr) {
    if (!m_layered) ClearCairoRect(cr, invalid);
    CCairoPaintSurfaceUI surface(cr);
    surface.PushClip(invalid);
    m_manager.GetRoot()->Paint(&surface, invalid, nullptr);
    if (m_layered) {
      cairo_surface_flush(cairo_get_target(cr));
      PaintNativeChildren(client, invalid);
    }
    const CPointerArray postPaint = m_manager.GetPostPaintControls();
    for (int i = 0; i < postPaint.GetSize(); ++i) {
      auto* control = static_cast<CControlUI*>(postPaint[i]);
      if (m_manager.GetPostPaintControls().Find(control) >= 0) control->PostPaint(&surface, invalid);
    }
    surface.PopClip();
  }
  if (cr != nullptr) cairo_destroy(cr);
  ::RestoreDC(target, saved);
  if (m_layered) {
    FixLayeredAlpha(client, invalid);
    const WindowAttributes& a = m_manager.GetWindowAttributes();
    if (a.shadowSize >= 1 && m_shadowDirty) {
      DrawLayeredShadow(::GetBitmapSurface(m_offscreenBitmap), ShadowStyle{a.shadowSize, a.shadowColor, a.shadowFocusScale});
      m_shadowDirty = false;
    }
    PresentLayered(client);
  } else {
    if (m_manager.GetWindowAttributes().showDirty && paintDc != nullptr) {
      if (cairo_t* outline = ::CreateCairoForDC(paintDc)) {
        cairo_set_source_rgb(outline, 220 / 255.0, 0, 0);
        cairo_set_line_width(outline, 1.0);
        cairo_rectangle(outline, invalid.left + 0.5, invalid.top + 0.5, invalid.right - invalid.left - 1.0,
                        invalid.bottom - invalid.top - 1.0);
        cairo_stroke(outline);
        cairo_destroy(outline);
      }
    }
  }
  ::EndPaint(m_window, &ps);
  m_painting = false;
  m_layeredChanged = false;
  if (m_manager.IsUpdateNeeded() || m_manager.IsFocusNeeded()) InvalidateClient();
  return true;
}

void CManagerWindowSide::PrepareLayeredBackground(const RECT& client, const RECT& invalid) {
  if (m_layeredImage.image == nullptr) {
    ClearPixels(invalid);
    return;
  }
  const SIZE size = SizeOf(client);
  const SIZE now = m_backgroundBitmap != nullptr ? ::GetBitmapSize(m_backgroundBitmap) : SIZE{0, 0};
  if (now.cx != size.cx || now.cy != size.cy) {
    // The window changed size: a new background at the new size.
    if (m_backgroundDc != nullptr) {
      ::SelectObject(m_backgroundDc, m_backgroundOld);
      ::DeleteDC(m_backgroundDc);
    }
    if (m_backgroundBitmap != nullptr) ::DeleteObject(m_backgroundBitmap);
    m_backgroundBitmap = ::CreateARGB32Bitmap(size.cx, size.cy, nullptr);
    m_backgroundDc = ::CreateCompatibleDC(m_windowDc);
    if (m_backgroundBitmap == nullptr || m_backgroundDc == nullptr) {
      if (m_backgroundDc != nullptr) ::DeleteDC(m_backgroundDc);
      if (m_backgroundBitmap != nullptr) ::DeleteObject(m_backgroundBitmap);
      m_backgroundDc = nullptr;
      m_backgroundBitmap = nullptr;
      ClearPixels(invalid);
      return;
    }
    m_backgroundOld = ::SelectObject(m_backgroundDc, m_backgroundBitmap);
  } else if (m_layeredChanged) {
    ClearBitmapRect(m_backgroundBitmap, client);
  }
  ClearBitmapRect(m_backgroundBitmap, invalid);
  if (cairo_t* cr = ::CreateCairoForDC(m_backgroundDc)) {
    {
      CCairoPaintSurfaceUI surface(cr);
      surface.PushClip(invalid);
      surface.DrawImage(&m_manager, client, invalid, m_layeredImage);
      surface.PopClip();
    }
    cairo_destroy(cr);
  }
  CopyBitmapRect(m_offscreenBitmap, m_backgroundBitmap, invalid);
}

void CManagerWindowSide::PaintNativeChildren(const RECT& client, const RECT& invalid) {
  for (auto it = m_natives.begin(); it != m_natives.end();) {
    const HWND child = it->second;
    if (!::IsWindow(child)) {
      it = m_natives.erase(it);
      continue;
    }
    ++it;
    if (!::IsWindowVisible(child)) continue;
    RECT rc;
    ::GetWindowRect(child, &rc);
    POINT topLeft{rc.left, rc.top};
    ::ScreenToClient(m_window, &topLeft);
    RectOffset(rc, topLeft.x - rc.left, topLeft.y - rc.top);
    RECT visible;
    if (!RectIntersect(visible, rc, invalid) || !RectIntersect(visible, rc, client)) continue;
    const SIZE size = SizeOf(rc);
    HBITMAP bitmap = ::CreateARGB32Bitmap(size.cx, size.cy, nullptr);
    HDC dc = ::CreateCompatibleDC(m_windowDc);
    if (bitmap != nullptr && dc != nullptr) {
      HGDIOBJ old = ::SelectObject(dc, bitmap);
      ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                     PRF_CHECKVISIBLE | PRF_CLIENT | PRF_CHILDREN | PRF_OWNED);
      ::SelectObject(dc, old);
      PixelView from(bitmap);
      PixelView to(m_offscreenBitmap);
      // Copied clipped to the client area (the child may reach outside).
      RECT area;
      if (from.Valid() && to.Clip(rc, area)) {
        for (int y = area.top; y < area.bottom; ++y) {
          const std::uint32_t* src = from.Row(y - rc.top);
          std::uint32_t* dst = to.Row(y);
          for (int x = area.left; x < area.right; ++x) dst[x] = src[x - rc.left] | 0xFF000000u;
        }
      }
    }
    if (dc != nullptr) ::DeleteDC(dc);
    if (bitmap != nullptr) ::DeleteObject(bitmap);
  }
}

void CManagerWindowSide::FixLayeredAlpha(const RECT& client, const RECT& invalid) {
  PixelView view(m_offscreenBitmap);
  RECT area;
  if (!view.Clip(invalid, area)) return;
  const RECT pad = m_manager.GetWindowAttributes().noLayeredPadding;
  const bool padded = pad.left != 0 || pad.top != 0 || pad.right != 0 || pad.bottom != 0;
  const RECT opaque{client.left + pad.left, client.top + pad.top, client.right - pad.right,
                    client.bottom - pad.bottom};
  for (int y = area.top; y < area.bottom; ++y) {
    std::uint32_t* row = view.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      std::uint32_t& pixel = row[x];
      if (pixel == 0) continue;
      if (padded && RectContains(opaque, POINT{x, y})) pixel |= 0xFF000000u;
      else if ((pixel & 0xFF000000u) == 0) pixel |= 0xFF000000u;
    }
  }
}

void CManagerWindowSide::PresentLayered(const RECT& client) {
  RECT window;
  ::GetWindowRect(m_window, &window);
  POINT position{window.left, window.top};
  SIZE size = SizeOf(client);
  POINT source{0, 0};
  BLENDFUNCTION blend;
  blend.BlendOp = AC_SRC_OVER;
  blend.SourceConstantAlpha = m_layeredOpacity;
  blend.AlphaFormat = AC_SRC_ALPHA;
  ::UpdateLayeredWindow(m_window, m_windowDc, &position, &size, m_offscreenDc, &source, 0, &blend, ULW_ALPHA);
}

void CManagerWindowSide::PrintClient(HDC target, LPARAM flags) {
  CControlUI* root = m_manager.GetRoot();
  if (root == nullptr || target == nullptr) return;
  RECT client;
  ::GetClientRect(m_window, &client);
  const int saved = ::SaveDC(target);
  if (cairo_t* cr = ::CreateCairoForDC(target)) {
    {
      CCairoPaintSurfaceUI surface(cr);
      root->Paint(&surface, client, nullptr);
    }
    cairo_destroy(cr);
  }
  if ((flags & PRF_CHILDREN) != 0) {
    for (HWND child = ::GetWindow(m_window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT rc;
      ::GetWindowRect(child, &rc);
      POINT topLeft{rc.left, rc.top};
      ::ScreenToClient(m_window, &topLeft);
      POINT previous;
      ::OffsetViewportOrgEx(target, topLeft.x, topLeft.y, &previous);
      ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(target), flags | PRF_CLIENT);
      ::SetViewportOrgEx(target, previous.x, previous.y, nullptr);
    }
  }
  ::RestoreDC(target, saved);
}

}  // namespace SkinUI
