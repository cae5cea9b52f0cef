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

// Where an embedded widget stands in its overlay: the child window's
// rectangle, kept on the widget.
constexpr char kPlaceKey[] = "brisgol-child-place";
constexpr char kPlacingKey[] = "brisgol-places-children";

// The overlay gives each embedded widget exactly its child window's
// rectangle. Left to itself it would give a widget its natural size, and a
// web view's natural size follows the page it shows: a long page would
// stretch the view over whatever lies below the child window.
gboolean PlaceChild(GtkOverlay*, GtkWidget* widget, GdkRectangle* allocation, gpointer) {
  const auto* place = static_cast<const GdkRectangle*>(g_object_get_data(G_OBJECT(widget), kPlaceKey));
  if (place == nullptr) return FALSE;
  *allocation = *place;
  return TRUE;
}

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
  if (g_object_get_data(G_OBJECT(overlay), kPlacingKey) == nullptr) {
    g_signal_connect(overlay, "get-child-position", G_CALLBACK(&PlaceChild), nullptr);
    g_object_set_data(G_OBJECT(overlay), kPlacingKey, GINT_TO_POINTER(1));
  }
  g_object_set_data_full(G_OBJECT(widget), kPlaceKey, g_new0(GdkRectangle, 1), g_free);
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
  auto* place = static_cast<GdkRectangle*>(g_object_get_data(G_OBJECT(widget), kPlaceKey));
  *place = GdkRectangle{origin.x - rootOrigin.x, origin.y - rootOrigin.y, std::max<LONG>(client.right, 1),
                        std::max<LONG>(client.bottom, 1)};
  // Its minimum size too: the view may then be given no less.
  gtk_widget_set_size_request(widget, place->width, place->height);
  gtk_widget_queue_resize(widget);
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
