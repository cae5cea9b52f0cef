// The tooltip window class.
#include <pango/pangocairo.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/Tooltips.h"
#include "platform/window/WindowState.h"

using namespace windowing;

namespace {

struct Tool {
    HWND owner = nullptr;
    UINT_PTR id = 0;
    UINT flags = 0;
    RECT rect;
    std::wstring text;
};

struct TooltipState {
    std::vector<Tool> tools;
    bool active = true;
    int maxWidth = -1;
    UINT initialDelay = 500;
    UINT autoPopDelay = 5000;
    UINT reshowDelay = 100;
    bool tracking = false;
    HWND trackOwner = nullptr;
    UINT_PTR trackId = 0;
    POINT trackPosition;
};

TooltipState* StateOf(HWND hwnd) { return reinterpret_cast<TooltipState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

Tool* FindTool(TooltipState& state, const TOOLINFOW* info) {
    if (info == nullptr) return nullptr;
    for (Tool& tool : state.tools) {
        if (tool.owner == info->hwnd && tool.id == info->uId) return &tool;
    }
    return nullptr;
}

std::wstring TextOf(const TOOLINFOW* info) {
    const auto raw = reinterpret_cast<std::uintptr_t>(info->lpszText);
    // Null, the callback marker (-1) and resource ids carry no text here.
    if (info->lpszText == nullptr || raw < 0x10000 || raw == static_cast<std::uintptr_t>(-1)) return L"";
    return info->lpszText;
}

// The tip's look: the skin's panel, border and text colours, its font,
// and the room between the border and the text.
constexpr double kBackground[] = {0x13 / 255.0, 0x1B / 255.0, 0x2E / 255.0};
constexpr double kBorder[] = {0x2A / 255.0, 0x35 / 255.0, 0x50 / 255.0};
constexpr double kText[] = {0xC3 / 255.0, 0xCC / 255.0, 0xDE / 255.0};
constexpr const char* kFont = "WenQuanYi Micro Hei, sans-serif";
constexpr int kFontPixels = 12;
constexpr int kPaddingX = 6;
constexpr int kPaddingY = 4;

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

// The text laid out in the tip's font, wrapped at wrapWidth pixels (none
// when not positive). The caller frees it.
PangoLayout* TextLayout(PangoContext* context, const std::wstring& text, int wrapWidth) {
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* font = pango_font_description_from_string(kFont);
    pango_font_description_set_absolute_size(font, kFontPixels * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    const std::string utf8 = WideToUtf8String(text);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (wrapWidth > 0) {
        pango_layout_set_width(layout, wrapWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    return layout;
}

// The outer size of the tip for the text, its lines wrapped at maxWidth.
SIZE TipSize(const std::wstring& text, int maxWidth) {
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* layout = TextLayout(context, text, maxWidth > 0 ? maxWidth - 2 * kPaddingX : 0);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    g_object_unref(context);
    return SIZE{width + 2 * kPaddingX, height + 2 * kPaddingY};
}

// Paints the whole tip opaque, so that it looks the same with and without
// a compositor.
void PaintTip(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    cairo_t* cr = CreateCairoForDC(dc);
    if (cr == nullptr) return;
    cairo_set_source_rgb(cr, kBackground[0], kBackground[1], kBackground[2]);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, kBorder[0], kBorder[1], kBorder[2]);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, rc.right - 1, rc.bottom - 1);
    cairo_stroke(cr);
    PangoContext* context = pango_cairo_create_context(cr);
    PangoLayout* layout = TextLayout(context, WindowText(hwnd), rc.right - 2 * kPaddingX);
    g_object_unref(context);
    cairo_set_source_rgb(cr, kText[0], kText[1], kText[2]);
    cairo_move_to(cr, kPaddingX, kPaddingY);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_destroy(cr);
}

// Shows or refreshes the tracked tip at its position.
void Place(HWND hwnd, TooltipState& state) {
    Tool* tool = nullptr;
    for (Tool& t : state.tools) {
        if (t.owner == state.trackOwner && t.id == state.trackId) tool = &t;
    }
    if (!state.tracking || !state.active || tool == nullptr || tool->text.empty()) {
        ShowWindow(hwnd, SW_HIDE);
        return;
    }
    SetWindowTextW(hwnd, tool->text.c_str());
    const SIZE size = TipSize(tool->text, state.maxWidth);
    SetWindowPos(hwnd, HWND_TOPMOST, state.trackPosition.x, state.trackPosition.y, size.cx, size.cy,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT TooltipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TooltipState* state = StateOf(hwnd);
    const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TooltipState));
            return TRUE;
        case WM_NCDESTROY:
            delete state;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            PaintTip(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            break;
    }
    if (state == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case TTM_ADDTOOLW: {
            if (info == nullptr || FindTool(*state, info) != nullptr) return FALSE;
            Tool tool{info->hwnd, info->uId, info->uFlags, info->rect, TextOf(info)};
            state->tools.push_back(tool);
            return TRUE;
        }
        case TTM_DELTOOLW:
            if (info != nullptr) {
                std::erase_if(state->tools,
                              [&](const Tool& t) { return t.owner == info->hwnd && t.id == info->uId; });
                Place(hwnd, *state);
            }
            return 0;
        case TTM_SETTOOLINFOW:
            if (Tool* tool = FindTool(*state, info)) {
                tool->flags = info->uFlags;
                tool->rect = info->rect;
                tool->text = TextOf(info);
                if (state->tracking) Place(hwnd, *state);
            }
            return 0;
        case TTM_UPDATETIPTEXTW:
            if (Tool* tool = FindTool(*state, info)) {
                tool->text = TextOf(info);
                if (state->tracking) Place(hwnd, *state);
            }
            return 0;
        case TTM_GETTOOLCOUNT:
            return static_cast<LRESULT>(state->tools.size());
        case TTM_ACTIVATE:
            state->active = wParam != 0;
            Place(hwnd, *state);
            return 0;
        case TTM_TRACKACTIVATE:
            if (wParam != 0 && info != nullptr) {
                state->tracking = true;
                state->trackOwner = info->hwnd;
                state->trackId = info->uId;
            } else {
                state->tracking = false;
            }
            Place(hwnd, *state);
            return 0;
        case TTM_TRACKPOSITION:
            state->trackPosition = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (state->tracking) Place(hwnd, *state);
            return 0;
        case TTM_SETMAXTIPWIDTH: {
            const int previous = state->maxWidth;
            state->maxWidth = static_cast<int>(lParam);
            return previous;
        }
        case TTM_GETMAXTIPWIDTH:
            return state->maxWidth;
        case TTM_SETDELAYTIME: {
            const UINT value = LOWORD(static_cast<std::uintptr_t>(lParam));
            switch (wParam) {
                case TTDT_INITIAL: state->initialDelay = value; break;
                case TTDT_AUTOPOP: state->autoPopDelay = value; break;
                case TTDT_RESHOW: state->reshowDelay = value; break;
                default:
                    state->initialDelay = value;
                    state->autoPopDelay = value * 10;
                    state->reshowDelay = value / 5;
                    break;
            }
            return 0;
        }
        case TTM_GETDELAYTIME:
            switch (wParam) {
                case TTDT_AUTOPOP: return state->autoPopDelay;
                case TTDT_RESHOW: return state->reshowDelay;
                default: return state->initialDelay;
            }
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

namespace windowing {

void EnsureTooltipClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW cls;
        cls.lpfnWndProc = TooltipProc;
        cls.lpszClassName = TOOLTIPS_CLASSW;
        cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassExW(&cls);
    });
}

}  // namespace windowing
