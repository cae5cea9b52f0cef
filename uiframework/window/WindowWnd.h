// CWindowWnd: a thin object bound to one window. It registers its window
// class (or a superclass of an existing one), creates the window with
// itself as the creation parameter, receives every message in OnMessage,
// can subclass an existing window, runs a local modal loop and closes.
#pragma once

#include "platform/window/User32.h"

namespace SkinUI {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  virtual ~CWindowWnd() = default;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // Null on failure.
  HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT,
              int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu = nullptr);
  // Takes over an existing window's procedure; null when it cannot.
  HWND Subclass(HWND window);
  void Unsubclass();

  void ShowWindow(bool show = true, bool takeFocus = true);
  // Shows the window, disables its owner and runs messages until the
  // window is gone; returns the wParam of the WM_CLOSE that closed it. A
  // WM_QUIT ends the loop and is posted again for the outer loop; a
  // failing message retrieval ends it too.
  UINT RunModal();
  UINT RunModal(bool show, bool takeFocus);
  // Posts WM_CLOSE with the result, while the window exists.
  void Close(UINT result = 0);
  // Centres on the owner (or the work area when there is none or it is
  // minimised), kept inside the work area; no resize, no activation.
  void CenterOnOwner();
  // Loads icon group resourceId of the resource module at the system's
  // large and small icon sizes (each rounded up to a multiple of 16) and
  // sets both; false when the icon cannot be loaded.
  bool SetIcon(UINT resourceId);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  virtual LPCWSTR WindowClassName() const = 0;
  virtual LPCWSTR SuperclassName() const { return nullptr; }
  virtual UINT ClassStyle() const { return 0; }
  // The default forwards to the previous window procedure.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnDestroyed(HWND window);

  HWND m_hWnd = nullptr;
  WNDPROC m_oldWndProc = ::DefWindowProcW;
  bool m_subclassed = false;

 private:
  bool RegisterWindowClass();
  bool RegisterSuperclass();
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT PropertyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT Route(bool byProperty, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT Destroying(CWindowWnd* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace SkinUI
