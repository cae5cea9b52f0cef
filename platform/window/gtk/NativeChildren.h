// Real GTK widgets embedded in child windows of the window system.
//
// Child windows are otherwise drawn into their top-level window's
// surface. An embedded widget (a web view) instead lives in the top-level
// GtkWindow itself, in an overlay above the drawing area, placed at the
// child window's rectangle; it follows that rectangle and the child's
// visibility, and when it takes the keyboard focus the window system's
// focus moves to the child window.
//
// Display thread only.
#pragma once

#include <map>

#include "platform/window/User32.h"

typedef struct _GtkWidget GtkWidget;

class NativeChildren {
 public:
  NativeChildren() = default;
  ~NativeChildren();
  NativeChildren(const NativeChildren&) = delete;
  NativeChildren& operator=(const NativeChildren&) = delete;

  // Embeds widget (a reference is taken) into toplevel, the GtkWindow of
  // child's root window. False when child already holds a widget.
  bool Embed(HWND child, GtkWidget* widget, GtkWidget* toplevel);
  // Takes the widget out and drops the reference.
  void Remove(HWND child);
  // The child window moved, resized, showed or hid (or an ancestor did).
  void Sync(HWND child);
  void SyncAll();
  // The top-level GtkWindow of root is about to go: its widgets with it.
  void RootDestroyed(HWND root);
  bool Holds(HWND child) const { return widgets_.count(child) != 0; }

 private:
  static int OnFocusIn(GtkWidget* widget, void* event, void* child);
  std::map<HWND, GtkWidget*> widgets_;
};
