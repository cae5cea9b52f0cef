// Internal: what a cursor or icon handle points at. System cursors are
// known by id; icons loaded from resources carry their image.
#pragma once

#include <cstdint>

typedef struct _cairo_surface cairo_surface_t;

struct CursorTag {
    std::uintptr_t id = 0;
    cairo_surface_t* image = nullptr;  // premultiplied ARGB32; owned by loaded icons
};
