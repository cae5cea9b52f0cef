// Rectangles, points and sizes with their Win32 names and helpers.
//
// A RECT is half-open: it covers left <= x < right, top <= y < bottom.
#pragma once

#include "platform/Types.h"

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

inline BOOL SetRect(RECT* rc, int left, int top, int right, int bottom) {
    if (rc == nullptr) return FALSE;
    *rc = RECT{left, top, right, bottom};
    return TRUE;
}

inline BOOL SetRectEmpty(RECT* rc) { return SetRect(rc, 0, 0, 0, 0); }

inline BOOL IsRectEmpty(const RECT* rc) {
    return rc == nullptr || rc->right <= rc->left || rc->bottom <= rc->top;
}

inline BOOL EqualRect(const RECT* a, const RECT* b) {
    if (a == nullptr || b == nullptr) return FALSE;
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

inline BOOL PtInRect(const RECT* rc, POINT pt) {
    return rc != nullptr && pt.x >= rc->left && pt.x < rc->right && pt.y >= rc->top && pt.y < rc->bottom;
}

inline BOOL OffsetRect(RECT* rc, int dx, int dy) {
    if (rc == nullptr) return FALSE;
    rc->left += dx;
    rc->right += dx;
    rc->top += dy;
    rc->bottom += dy;
    return TRUE;
}

inline BOOL InflateRect(RECT* rc, int dx, int dy) {
    if (rc == nullptr) return FALSE;
    rc->left -= dx;
    rc->right += dx;
    rc->top -= dy;
    rc->bottom += dy;
    return TRUE;
}

// The overlap of a and b; an empty result is stored as all zeroes and
// reported as FALSE, as Win32 does.
inline BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
    if (out == nullptr || a == nullptr || b == nullptr) return FALSE;
    RECT r{a->left > b->left ? a->left : b->left, a->top > b->top ? a->top : b->top,
           a->right < b->right ? a->right : b->right, a->bottom < b->bottom ? a->bottom : b->bottom};
    if (IsRectEmpty(&r)) {
        *out = RECT{};
        return FALSE;
    }
    *out = r;
    return TRUE;
}

// The smallest rectangle holding a and b; empty inputs are ignored.
inline BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
    if (out == nullptr || a == nullptr || b == nullptr) return FALSE;
    const bool emptyA = IsRectEmpty(a);
    const bool emptyB = IsRectEmpty(b);
    if (emptyA && emptyB) {
        *out = RECT{};
        return FALSE;
    }
    if (emptyA) {
        *out = *b;
        return TRUE;
    }
    if (emptyB) {
        *out = *a;
        return TRUE;
    }
    *out = RECT{a->left < b->left ? a->left : b->left, a->top < b->top ? a->top : b->top,
                a->right > b->right ? a->right : b->right, a->bottom > b->bottom ? a->bottom : b->bottom};
    return TRUE;
}

inline BOOL CopyRect(RECT* out, const RECT* in) {
    if (out == nullptr || in == nullptr) return FALSE;
    *out = *in;
    return TRUE;
}
