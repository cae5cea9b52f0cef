// A popup menu shown as a real GtkMenu at a screen point (display thread).
// It closes when an item is activated, on Escape or a click elsewhere (the
// menu holds the pointer and keyboard grab), or on Close; closed then runs
// once, from an idle callback after GTK is done with the menu, with the
// activated item's id or 0.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/window/Backend.h"

typedef struct _GtkWidget GtkWidget;

class NativeMenu {
 public:
    NativeMenu(const std::vector<WindowBackend::MenuItem>& items, POINT at, std::function<void(UINT_PTR)> closed);
    ~NativeMenu();
    NativeMenu(const NativeMenu&) = delete;
    NativeMenu& operator=(const NativeMenu&) = delete;

    void Close();
    bool Open() const { return !finished_; }

 private:
    static void OnActivate(GtkWidget* item, void* self);
    static void OnDeactivate(GtkWidget* menu, void* self);
    void FinishSoon();

    GtkWidget* menu_ = nullptr;
    std::map<GtkWidget*, UINT_PTR> ids_;
    std::function<void(UINT_PTR)> closed_;
    UINT_PTR picked_ = 0;
    unsigned idle_ = 0;
    bool finished_ = false;
};
