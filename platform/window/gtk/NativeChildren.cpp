#include "platform/window/gtk/NativeChildren.h"

#include <gtk/gtk.h>

#include <vector>

namespace {

// The overlay the window's drawing area sits in (made with the window).
GtkOverlay* OverlayOf(GtkWidget* toplevel) {
  GtkWidget* content = gtk_bin_get_child(GTK_BIN(toplevel));
  return content != nullptr && GTK_IS_OVERLAY(content) ? GTK_OVERLAY(content) : nullptr;
}

// Shown when the child and all its ancestors are visible.
bool Shown(HWND child) { return IsWindowVisible(child) != FALSE; }

}  // namespace

NativeChildren::~NativeChildren() {
  std::vector<HWND> children;
  for (const auto& [child, widget] : widgets_) children.push_back(child);
  for (HWND child : children) Remove(child);
}

bool NativeChildren::Embed(HWND child, GtkWidget* widget, GtkWidget* toplevel) {
  if (widgets_.count(child) != 0 || widget == nullptr || toplevel == nullptr) return false;
  GtkOverlay* overlay = OverlayOf(toplevel);
  if (overlay == nullptr) return false;
  g_object_ref_sink(widget);
  gtk_widget_set_halign(widget, GTK_ALIGN_START);
  gtk_widget_set_valign(widget, GTK_ALIGN_START);
  gtk_overlay_add_overlay(overlay, widget);
  g_signal_connect(widget, "focus-in-event", G_CALLBACK(&NativeChildren::OnFocusIn), child);
  widgets_[child] = widget;
  Sync(child);
  return true;
}

void NativeChildren::Remove(HWND child) {
  auto it = widgets_.find(child);
  if (it == widgets_.end()) return;
  GtkWidget* widget = it->second;
  widgets_.erase(it);
  g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<void*>(&NativeChildren::OnFocusIn), child);
  if (GtkWidget* parent = gtk_widget_get_parent(widget)) gtk_container_remove(GTK_CONTAINER(parent), widget);
  gtk_widget_destroy(widget);
  g_object_unref(widget);
}

void NativeChildren::Sync(HWND child) {
  auto it = widgets_.find(child);
  if (it == widgets_.end()) return;
  GtkWidget* widget = it->second;
  if (!IsWindow(child) || !Shown(child)) {
    gtk_widget_hide(widget);
    return;
  }
  // The child's client area in the client coordinates of its root.
  RECT client;
  GetClientRect(child, &client);
  POINT origin{0, 0};
  POINT rootOrigin{0, 0};
  ClientToScreen(child, &origin);
  ClientToScreen(GetAncestor(child, GA_ROOT), &rootOrigin);
  gtk_widget_set_margin_start(widget, origin.x - rootOrigin.x);
  gtk_widget_set_margin_top(widget, origin.y - rootOrigin.y);
  gtk_widget_set_size_request(widget, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
  gtk_widget_show(widget);
}

void NativeChildren::SyncAll() {
  for (const auto& [child, widget] : widgets_) Sync(child);
}

void NativeChildren::RootDestroyed(HWND root) {
  std::vector<HWND> gone;
  for (const auto& [child, widget] : widgets_) {
    if (!IsWindow(child) || GetAncestor(child, GA_ROOT) == root) gone.push_back(child);
  }
  for (HWND child : gone) Remove(child);
}

int NativeChildren::OnFocusIn(GtkWidget*, void*, void* child) {
  // The window system's keyboard focus follows the widget's.
  HWND hwnd = static_cast<HWND>(child);
  if (IsWindow(hwnd) && GetFocus() != hwnd) SetFocus(hwnd);
  return FALSE;
}
