#include "platform/window/gtk/NativeMenu.h"

#include <gtk/gtk.h>

#include "platform/CodePage.h"
#include "platform/window/Menus.h"

NativeMenu::NativeMenu(const std::vector<WindowBackend::MenuItem>& items, POINT at,
                       std::function<void(UINT_PTR)> closed)
    : closed_(std::move(closed)) {
    menu_ = gtk_menu_new();
    g_object_ref_sink(menu_);
    for (const auto& item : items) {
        GtkWidget* widget;
        if ((item.flags & MF_SEPARATOR) != 0) {
            widget = gtk_separator_menu_item_new();
        } else {
            const std::string label = WideToUtf8String(item.text);
            if ((item.flags & MF_CHECKED) != 0) {
                widget = gtk_check_menu_item_new_with_label(label.c_str());
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
            } else {
                widget = gtk_menu_item_new_with_label(label.c_str());
            }
            gtk_widget_set_sensitive(widget, (item.flags & (MF_GRAYED | MF_DISABLED)) == 0);
            ids_[widget] = item.id;
            g_signal_connect(widget, "activate", G_CALLBACK(&NativeMenu::OnActivate), this);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(menu_), widget);
    }
    g_signal_connect(menu_, "deactivate", G_CALLBACK(&NativeMenu::OnDeactivate), this);
    gtk_widget_show_all(menu_);
    // The menu's top-left corner at the point, moved by GTK to stay on screen.
    GdkRectangle rect{at.x, at.y, 1, 1};
    gtk_menu_popup_at_rect(GTK_MENU(menu_), gdk_get_default_root_window(), &rect, GDK_GRAVITY_NORTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, nullptr);
    if (!gtk_widget_get_visible(menu_)) FinishSoon();  // the display refused it
}

NativeMenu::~NativeMenu() {
    if (idle_ != 0) g_source_remove(idle_);
    for (auto& [widget, id] : ids_) g_signal_handlers_disconnect_by_data(widget, this);
    g_signal_handlers_disconnect_by_data(menu_, this);
    gtk_widget_destroy(menu_);
    g_object_unref(menu_);
}

void NativeMenu::Close() {
    if (gtk_widget_get_visible(menu_)) {
        gtk_menu_popdown(GTK_MENU(menu_));
    }
    FinishSoon();
}

void NativeMenu::OnActivate(GtkWidget* item, void* self) {
    auto* menu = static_cast<NativeMenu*>(self);
    auto it = menu->ids_.find(item);
    if (it != menu->ids_.end()) menu->picked_ = it->second;
    menu->FinishSoon();
}

void NativeMenu::OnDeactivate(GtkWidget*, void* self) {
    // The item's activation, if any, follows the menu's deactivation.
    static_cast<NativeMenu*>(self)->FinishSoon();
}

void NativeMenu::FinishSoon() {
    if (finished_ || idle_ != 0) return;
    idle_ = g_idle_add(
        [](gpointer data) -> gboolean {
            auto* menu = static_cast<NativeMenu*>(data);
            menu->idle_ = 0;
            menu->finished_ = true;
            menu->closed_(menu->picked_);
            return G_SOURCE_REMOVE;
        },
        this);
}
