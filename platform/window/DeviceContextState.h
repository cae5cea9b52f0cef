// Internal layout of device contexts.
#pragma once

#include <cairo.h>

#include <vector>

#include "platform/window/DeviceContext.h"

struct DeviceContextState {
    POINT origin;
    bool hasClip = false;
    Region clip;  // device coordinates
};

struct DeviceContext {
    DeviceContextState state;
    std::vector<DeviceContextState> saved;
    HWND window = nullptr;             // window contexts
    bool memory = false;               // memory contexts
    cairo_surface_t* surface = nullptr;  // one reference held
    HBITMAP selected = nullptr;
    HBITMAP defaultBitmap = nullptr;
};

namespace windowing {

// A context drawing on the window's surface.
HDC WindowContext(HWND hwnd);
void FreeContext(HDC dc);
bool IsLiveContext(HDC dc);

}  // namespace windowing
