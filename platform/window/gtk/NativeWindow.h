// A top-level window of the window system shown as an undecorated
// GtkWindow whose drawing area presents the window's ARGB32 surface (and
// those of its visible child windows at their places).
//
// Every method runs on the display thread and reads the window's current
// state from the window system, so a call only has to say what changed.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/window/User32.h"
#include "platform/window/gtk/NativeInput.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkCursor GdkCursor;
typedef union _GdkEvent GdkEvent;
typedef struct _cairo cairo_t;

class NativeWindow {
 public:
    using InputSink = std::function<void(const NativeInput&)>;

    // composited: the screen has a compositor, so per-pixel and constant
    // alpha are shown through an RGBA visual.
    NativeWindow(HWND hwnd, bool composited, InputSink sink);
    ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    void SyncGeometry();
    void SyncVisibility();
    void SyncTitle();
    // The shape: the window region, and without a compositor the opaque
    // part of a per-pixel layered surface.
    void SyncShape();
    // Part of the window (client coordinates of this window) to draw again.
    void Invalidate(const RECT& rc);
    // Stacks the native window above those stacked before it.
    void Raise();
    // Gives the native window the keyboard.
    void Focus();
    void SetCursor(GdkCursor* cursor);
    // The window's icons (a GList of GdkPixbuf, borrowed).
    void SetIcons(struct _GList* pixbufs);
    // Mapped and not iconified: what the user sees.
    bool IsShown() const;
    // Whether the desktop gave the native window the keyboard focus.
    bool HasFocus() const;
    bool PerPixelWithoutCompositor() const;
    // The GtkWindow (for widgets embedded beside the drawing area).
    GtkWidget* Toplevel() const { return window_; }

    // Draw passes done by all native windows (to wait for a presentation).
    static std::uint64_t FramesDrawn();
    // Time those draw passes took, in microseconds.
    static std::uint64_t DrawMicroseconds();

 private:
    static int OnDraw(GtkWidget* widget, cairo_t* cr, void* self);
    static int OnEvent(GtkWidget* widget, GdkEvent* event, void* self);
    static int OnDelete(GtkWidget* widget, GdkEvent* event, void* self);
    static int OnFocus(GtkWidget* widget, GdkEvent* event, void* self);
    static int OnState(GtkWidget* widget, GdkEvent* event, void* self);
    // Whether the window may show in the taskbar when shown.
    bool InTaskbar() const;
    void Draw(cairo_t* cr);
    void HandleEvent(const GdkEvent* event);
    POINT ScreenPoint(double x, double y) const;

    HWND hwnd_;
    bool composited_;
    InputSink sink_;
    GtkWidget* window_ = nullptr;
    GtkWidget* area_ = nullptr;
    bool iconified_ = false;  // as the desktop last reported, or as we asked
};
