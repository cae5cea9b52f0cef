// The tooltip window class.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

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
    const int textWidth = static_cast<int>(tool->text.size()) * 7;
    const int limit = state.maxWidth > 0 ? state.maxWidth : textWidth;
    const int lines = limit > 0 ? std::max(1, (textWidth + limit - 1) / limit) : 1;
    const int width = std::min(textWidth, limit) + 8;
    const int height = lines * 16 + 6;
    SetWindowPos(hwnd, HWND_TOPMOST, state.trackPosition.x, state.trackPosition.y, width, height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
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
