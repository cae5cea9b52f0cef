#include "uiframework/window/WindowWnd.h"

#include "platform/window/Icons.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/resources/ResourceSettings.h"

namespace SkinUI {

namespace {
// The window property that holds the object of a superclassed or
// subclassed window.
constexpr LPCWSTR kObjectProperty = L"WndX";
}  // namespace

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSEXW existing;
  if (::GetClassInfoExW(CResourceSettingsUI::GetInstance(), WindowClassName(), &existing)) return true;
  WNDCLASSEXW cls;
  cls.style = ClassStyle();
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = CResourceSettingsUI::GetInstance();
  cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  cls.lpszClassName = WindowClassName();
  return ::RegisterClassExW(&cls) != 0;
}

bool CWindowWnd::RegisterSuperclass() {
  WNDCLASSEXW base;
  if (!::GetClassInfoExW(nullptr, SuperclassName(), &base) &&
      !::GetClassInfoExW(CResourceSettingsUI::GetInstance(), SuperclassName(), &base))
    return false;
  m_oldWndProc = base.lpfnWndProc;
  WNDCLASSEXW existing;
  if (::GetClassInfoExW(CResourceSettingsUI::GetInstance(), WindowClassName(), &existing)) return true;
  WNDCLASSEXW cls = base;
  cls.cbSize = sizeof(WNDCLASSEXW);
  cls.lpfnWndProc = PropertyProc;
  cls.hInstance = CResourceSettingsUI::GetInstance();
  cls.lpszClassName = WindowClassName();
  return ::RegisterClassExW(&cls) != 0;
}

HWND CWindowWnd::Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu) {
  return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

HWND CWindowWnd::Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU menu) {
  const bool registered = SuperclassName() != nullptr ? RegisterSuperclass() : RegisterWindowClass();
  if (!registered) return nullptr;
  m_hWnd = ::CreateWindowExW(exStyle, WindowClassName(), name, style, x, y, cx, cy, parent, menu,
                             CResourceSettingsUI::GetInstance(), this);
  return m_hWnd;
}

HWND CWindowWnd::Subclass(HWND window) {
  if (window == nullptr || !::IsWindow(window) || m_subclassed) return nullptr;
  m_oldWndProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowWnd::PropertyProc)));
  if (m_oldWndProc == nullptr) {
    m_oldWndProc = ::DefWindowProcW;
    return nullptr;
  }
  ::SetPropW(window, kObjectProperty, reinterpret_cast<HANDLE>(this));
  m_subclassed = true;
  m_hWnd = window;
  return m_hWnd;
}

void CWindowWnd::Unsubclass() {
  if (!m_subclassed) return;
  if (::IsWindow(m_hWnd)) {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldWndProc));
    ::RemovePropW(m_hWnd, kObjectProperty);
  }
  m_oldWndProc = ::DefWindowProcW;
  m_subclassed = false;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!::IsWindow(m_hWnd)) return;
  ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::RunModal() { return RunModal(true, true); }

UINT CWindowWnd::RunModal(bool show, bool takeFocus) {
  const HWND window = m_hWnd;
  if (!::IsWindow(window)) return 0;
  const HWND owner = ::GetWindow(window, GW_OWNER);
  ShowWindow(show, takeFocus);
  if (owner != nullptr) ::EnableWindow(owner, FALSE);
  UINT result = 0;
  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg;
  while (::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;  // the queue failed: nothing more will come
    if (got == 0 || msg.message == WM_QUIT) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (msg.message == WM_CLOSE && msg.hwnd == window) {
      result = static_cast<UINT>(msg.wParam);
      if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
      }
    }
    if (!CWindowManagerUI::PreTranslate(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (owner != nullptr) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
  return result;
}

void CWindowWnd::Close(UINT result) {
  if (::IsWindow(m_hWnd)) ::PostMessageW(m_hWnd, WM_CLOSE, result, 0);
}

void CWindowWnd::CenterOnOwner() {
  if (!::IsWindow(m_hWnd)) return;
  RECT rc;
  ::GetWindowRect(m_hWnd, &rc);
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  MONITORINFO info;
  ::GetMonitorInfoW(::MonitorFromWindow(owner != nullptr ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
  const RECT work = info.rcWork;
  RECT center = work;
  if (owner != nullptr && !::IsIconic(owner)) ::GetWindowRect(owner, &center);
  int x = (center.left + center.right) / 2 - width / 2;
  int y = (center.top + center.bottom) / 2 - height / 2;
  if (x + width > work.right) x = work.right - width;
  if (x < work.left) x = work.left;
  if (y + height > work.bottom) y = work.bottom - height;
  if (y < work.top) y = work.top;
  ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CWindowWnd::SetIcon(UINT resourceId) {
  auto roundUp16 = [](int size) { return (size + 15) / 16 * 16; };
  HINSTANCE module = CResourceSettingsUI::ResourceModule();
  HICON big = LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, roundUp16(GetSystemMetrics(SM_CXICON)),
                         roundUp16(GetSystemMetrics(SM_CYICON)), LR_DEFAULTCOLOR | LR_SHARED);
  HICON small = LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                           roundUp16(GetSystemMetrics(SM_CXSMICON)), roundUp16(GetSystemMetrics(SM_CYSMICON)),
                           LR_DEFAULTCOLOR | LR_SHARED);
  if (big) SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  return big != nullptr && small != nullptr;
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

bool CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, message, wParam, lParam) != FALSE;
}

LRESULT CWindowWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(m_oldWndProc, m_hWnd, message, wParam, lParam);
}

void CWindowWnd::OnDestroyed(HWND) {}

LRESULT CWindowWnd::Destroying(CWindowWnd* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = ::CallWindowProcW(self->m_oldWndProc, hwnd, message, wParam, lParam);
  if (self->m_subclassed) self->Unsubclass();
  self->m_hWnd = nullptr;
  self->OnDestroyed(hwnd);
  return result;
}

LRESULT CWindowWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Route(false, hwnd, message, wParam, lParam);
}

LRESULT CWindowWnd::PropertyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Route(true, hwnd, message, wParam, lParam);
}

LRESULT CWindowWnd::Route(bool byProperty, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The object is kept in the window's user data, or, for a superclass,
  // in the window property "WndX".
  auto store = [byProperty, hwnd](CWindowWnd* self) {
    if (!byProperty)
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    else if (self != nullptr)
      ::SetPropW(hwnd, kObjectProperty, reinterpret_cast<HANDLE>(self));
    else
      ::RemovePropW(hwnd, kObjectProperty);
  };
  CWindowWnd* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<CWindowWnd*>(reinterpret_cast<LPCREATESTRUCTW>(lParam)->lpCreateParams);
    if (self != nullptr) {
      self->m_hWnd = hwnd;
      store(self);
    }
  } else {
    self = byProperty ? reinterpret_cast<CWindowWnd*>(::GetPropW(hwnd, kObjectProperty))
                      : reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self != nullptr) {
      store(nullptr);
      return Destroying(self, hwnd, message, wParam, lParam);
    }
  }
  if (self != nullptr) return self->OnMessage(message, wParam, lParam);
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace SkinUI
