// Drawing objects (regions, bitmaps) share one handle kind and one
// release call, as in Win32.
#pragma once

#include "platform/Types.h"

struct GdiObject {
    virtual ~GdiObject() = default;
};
using HGDIOBJ = GdiObject*;

// Registers a freshly made object as live; returns it.
HGDIOBJ RegisterGdiObject(GdiObject* object);
// True while the handle names a live object of this process.
bool IsGdiObject(HGDIOBJ object);
// Frees the object; FALSE for null or unknown handles.
BOOL DeleteObject(HGDIOBJ object);
