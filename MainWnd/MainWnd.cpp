#include "MainWnd/MainWnd.h"

#include "MainWnd/CaptionHitTest.h"
#include "MainWnd/ContainerExUI.h"
#include "MainWnd/ErrorText.h"
#include "BuildSettings.h"
#include "platform/Threads.h"
#include "platform/window/Regions.h"
#include "system/WriteLogFile.h"
#include "uiframework/activex/WebBrowserUI.h"

#include <algorithm>
#include <cwchar>

CMainWnd* g_mainWnd = nullptr;

namespace {

using SkinUI::CControlUI;
using SkinUI::CUIString;


// Controls under the caption area that take the mouse themselves instead
// of dragging the window.
bool TakesTheMouse(LPCWSTR className) {
  return std::wcscmp(className, L"Button") == 0 || std::wcscmp(className, L"Option") == 0 ||
         std::wcscmp(className, L"RichEdit") == 0;
}

// "Line1_pot" .. "Line3_pot": 1..3; 0 for any other name.
int LineOfOption(const CUIString& name) {
  static constexpr const wchar_t* kOptions[] = {L"Line1_pot", L"Line2_pot", L"Line3_pot"};
  for (int line = 1; line <= 3; ++line)
    if (name == kOptions[line - 1]) return line;
  return 0;
}

std::wstring PortalHostOf(const MainWndSeams& seams) {
  return seams.portalHost.empty() ? std::wstring(build_settings::kPortalHost) : seams.portalHost;
}

}  // namespace

CMainWnd::CMainWnd(const MainWndSeams& seams)
    : m_seams(seams),
      m_config(std::make_shared<CConfigRelay>(static_cast<IConfigReceiver*>(this), seams.http)),
      m_portal(PortalHostOf(seams), m_config->InsideWhitelist(), m_config->OutsideWhitelist(), *this,
               seams.defaultBrowser != nullptr ? *seams.defaultBrowser : m_shellBrowser),
      m_lines(std::make_shared<CLineRelay>(static_cast<ILineReceiver*>(this), 3)),
      m_statusWatch(std::make_unique<CProxyStatusWatch>(*m_lines)) {
  g_mainWnd = this;
}

CMainWnd::~CMainWnd() {
  Detach();
  // The window must not outlive the object its procedure calls.
  if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
  for (unsigned id : m_threads.StopAll(m_seams.workerStopMs))
    g_logFile.WriteFormat(__FILE__, __LINE__, L"工作线程 %u 未能按时结束，已脱离主窗口", id);
  if (g_mainWnd == this) g_mainWnd = nullptr;
}

void CMainWnd::Detach() {
  CloseQueue();
  m_config->Detach();
  DiscardPendingNavigations();
  m_lines->Detach();
}

// ---- Window procedure

LRESULT CMainWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate();
    case WM_SIZE:
      OnSize();
      if (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        m_iconic = wParam == SIZE_MINIMIZED;
        OnSeenChanged();
      }
      break;
    case WM_NCCALCSIZE:
      return 0;
    case WM_NCHITTEST:
      return CaptionHitTest(m_hWnd, m_pm, lParam, TakesTheMouse);
    case WM_NCLBUTTONDBLCLK:
      ::ShowWindow(m_hWnd, ::IsZoomed(m_hWnd) ? SW_SHOWNORMAL : SW_MAXIMIZE);
      return 0;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam, lParam);
    case WM_SHOWWINDOW:
      m_shown = wParam != 0;
      OnSeenChanged();
      break;
    case WM_CLOSE:
      // The desktop's close (a window manager's close button) is the close
      // command: the program stays in the notification area. Only the exit
      // routine closes the window for good.
      if (!m_exiting && !m_pageClosed) {
        ShowWindow(false);
        return 0;
      }
      break;
    case WM_TRAYNOTIFY:
      return m_tray.OnTrayNotify(wParam, lParam);
    case WM_SHOWERRORCODE:
      // Any process may send this; the code is looked up whole.
      m_seams.boxes.Ask(m_hWnd, GetErrorText(static_cast<long long>(lParam)), 1, L"确定", L"取消");
      return 0;
    default:
      if (IsDispatchWakeUp(message)) {
        RunQueuedCalls();
        return 0;
      }
      // The notification area was created anew: the icon goes back in,
      // and the message goes on as usual.
      if (message == m_tray.RestartMessage() && message != 0 && !m_exiting) m_tray.AddAgain();
      break;
  }
  LRESULT result = 0;
  if (m_pm.HandleWindowMessage(message, wParam, lParam, result)) return result;
  return CWindowWnd::OnMessage(message, wParam, lParam);
}

void CMainWnd::OnDestroyed(HWND) { Detach(); }

LRESULT CMainWnd::OnCreate() {
  LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  style &= ~static_cast<LONG>(WS_CAPTION | WS_THICKFRAME);
  style |= static_cast<LONG>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  ::SetWindowLongW(m_hWnd, GWL_STYLE, style);
  m_postTarget = m_hWnd;
  m_pm.Init(m_hWnd);
  SkinUI::CDialogBuilder builder;
  CControlUI* root = builder.Create(m_seams.layout.c_str(), nullptr, this, &m_pm);
  if (root == nullptr) {
    // Without its layout the window has nothing to show or to be reached
    // by: refuse the creation (Create then fails and start-up ends).
    g_logFile.WriteFormat(__FILE__, __LINE__, L"界面布局 %s 无法读取：%s", m_seams.layout.c_str(),
                          builder.GetLastErrorMessage());
    return -1;
  }
  m_pm.AttachRoot(root);
  m_pm.AddNotifier(this);
  return 0;
}

void CMainWnd::OnSize() {
  const SIZE corner = m_pm.GetRoundCorner();
  if (::IsIconic(m_hWnd) || (corner.cx == 0 && corner.cy == 0)) return;
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  HRGN region = ::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, corner.cx, corner.cy);
  ::SetWindowRgn(m_hWnd, region, TRUE);
  ::DeleteObject(region);
}

LRESULT CMainWnd::OnSysCommand(WPARAM command, LPARAM lParam) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      // The program stays in the notification area.
      ShowWindow(false);
      return 0;
    case SC_MINIMIZE:
      ::ShowWindow(m_hWnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
    case SC_KEYMENU:
      return 0;
    default:
      return CWindowWnd::OnMessage(WM_SYSCOMMAND, command, lParam);
  }
}

SkinUI::CControlUI* CMainWnd::CreateControl(LPCWSTR className) {
  if (className != nullptr && std::wcscmp(className, L"ContainerEx") == 0) return new CContainerExUI;
  return nullptr;
}

// ---- Notifications

void CMainWnd::Notify(SkinUI::UINotifyMsg& msg) {
  if (msg.type == L"windowinit") {
    OnWindowInit();
    return;
  }
  if (msg.sender == nullptr) return;
  if (msg.type == L"click")
    OnClick(msg.sender->GetName());
  else if (msg.type == L"selectchanged")
    OnSelectChanged(msg.sender->GetName());
}

void CMainWnd::OnClick(const CUIString& name) {
  if (name == L"min_btn") {
    ::ShowWindow(m_hWnd, SW_MINIMIZE);
  } else if (name == L"close_btn") {
    // Hidden at once; the exit routine runs when the wake-up arrives.
    ShowWindow(false);
    RequestExit();
  } else if (name == L"top_btn") {
    m_portal.GoHome();
  }
}

void CMainWnd::OnSelectChanged(const CUIString& name) {
  if (int line = LineOfOption(name)) OnLineChosen(line);
}

CControlUI* CMainWnd::FindNamed(LPCWSTR name) {
  CControlUI* control = m_pm.FindControl(name);
  if (control == nullptr && m_missingLogged.insert(name).second)
    g_logFile.WriteFormat(__FILE__, __LINE__, L"界面缺少控件：%s", name);
  return control;
}

void CMainWnd::OnWindowInit() {
  g_logFile.WriteText(__FILE__, __LINE__, L"初始化");

  m_tray.Add(kProductTitle, m_hWnd);

  SetIcon(kProgramIconId);
  ::SetForegroundWindow(m_hWnd);
  ::BringWindowToTop(m_hWnd);

  m_pLoading = FindNamed(L"init_loading_container");
  m_pTopBtn = FindNamed(L"top_btn");
  m_pVersionLab = FindNamed(L"version_lab");
  if (m_pVersionLab != nullptr) {
    m_pVersionLab->SetText((std::wstring(L"版本：") + build_settings::kVersionName).c_str());
    m_pVersionLab->SetAttribute(L"align", L"right");
  }

  BindLines();
  // The status strip is the skin's choice: without it the window shows no
  // live counters, and nothing is missing.
  m_pStatusLab = m_pm.FindControl(L"status_lab");
  if (m_pStatusLab != nullptr) m_slogan = m_pStatusLab->GetText().GetData();

  m_pBrowser = FindNamed(L"IeWeb");
  // The portal, the acceleration clean-up and the configuration follow the
  // first paint, in this order: the window shows without waiting for them.
  PostCall(m_postTarget, &CMainWnd::ContinueWindowInit, 0, nullptr);
}

void CMainWnd::ContinueWindowInit(int, void*) {
  g_logFile.WriteText(__FILE__, __LINE__, L"主窗口已显示");
  SetUpPortal();
  m_seams.acceleration->Stop();
  StartConfigurationThread();
}

void CMainWnd::StartConfigurationThread() {
  if (m_seams.configUrl.empty()) {
    g_logFile.WriteText(__FILE__, __LINE__, L"没有配置地址，配置线程未启动");
    return;
  }
  if (m_seams.http == nullptr) {
    g_logFile.WriteText(__FILE__, __LINE__, L"没有网络传输，配置线程未启动");
    return;
  }
  unsigned id = 0;
  uintptr_t handle = CConfigRelay::StartThread(m_config, m_seams.configUrl, &id);
  if (handle == 0) {
    g_logFile.WriteText(__FILE__, __LINE__, L"配置线程无法启动");
    return;
  }
  RegisterThread(id, reinterpret_cast<HANDLE>(handle));
}

void CMainWnd::RegisterThread(unsigned threadId, HANDLE handle) { m_threads.Register(threadId, handle); }

// ---- Exit routine

bool CMainWnd::RequestExit() { return PostCall(m_postTarget, &CMainWnd::ExitApp, 0, nullptr); }

void CMainWnd::ExitApp(int, void*) {
  if (m_exiting) return;
  m_exiting = true;
  // Nothing queued runs after this point, and late reports are dropped.
  Detach();
  StopLineWatches();
  m_seams.acceleration->StopIfObtained();
  ShowWindow(false);
  m_tray.Remove();
  for (unsigned id : m_threads.StopAll(m_seams.workerStopMs))
    g_logFile.WriteFormat(__FILE__, __LINE__, L"工作线程 %u 未能按时结束，已脱离主窗口", id);
  Close(0);
}

// ---- The configuration thread's outcomes, run on the user-interface thread

void CMainWnd::QueueStartFirstLine() { PostCall(m_postTarget, &CMainWnd::StartFirstLine, 0, nullptr); }
void CMainWnd::QueueInitialisationFailed() {
  PostCall(m_postTarget, &CMainWnd::ShowInitialisationFailed, 0, nullptr);
}
void CMainWnd::QueueExitForUpdate() { RequestExit(); }
void CMainWnd::QueueUpdateComponentMissing() {
  PostCall(m_postTarget, &CMainWnd::ShowUpdateComponentMissing, 0, nullptr);
}

void CMainWnd::ExitFromTray() { ExitApp(0, nullptr); }

void CMainWnd::ShowInitialisationFailed(int, void*) {
  g_logFile.WriteText(__FILE__, __LINE__, L"初始化失败");
  m_seams.boxes.Ask(m_hWnd, L"初始化失败，程序即将关闭", 1, L"确定", L"取消");
  ExitApp(0, nullptr);
}

void CMainWnd::ShowUpdateComponentMissing(int, void*) {
  m_seams.boxes.Ask(m_hWnd, L"更新组件丢失，请去官网下载最新客户端", 1, L"确定", L"取消");
}

// ---- The portal

void CMainWnd::SetUpPortal() {
  if (m_pBrowser == nullptr) return;  // logged as missing
  auto* browser = static_cast<SkinUI::CWebBrowserUI*>(m_pBrowser->FindInterface(L"WebBrowser"));
  if (browser == nullptr) {
    g_logFile.WriteText(__FILE__, __LINE__, L"控件 IeWeb 不是网页浏览器控件，门户未设置");
    return;
  }
  // A second "windowinit" finds the portal set up already, or on its way.
  if (browser->GetEventHandler() == &m_portal || m_portalEngineState == PortalEngineState::Loading) return;
  if (m_seams.portalEngine != nullptr && m_portalEngineState == PortalEngineState::NotLoaded) {
    m_portalEngineState = PortalEngineState::Loading;
    std::weak_ptr<int> alive = m_portalEngineToken;
    m_seams.portalEngine->Prepare([this, alive](bool registered) {
      if (!alive.expired()) PostCall(m_postTarget, &CMainWnd::OnPortalEngineReady, registered ? 1 : 0, nullptr);
    });
    return;
  }
  // An engine registered after the first layout makes its object now.
  if (browser->GetBrowser() == nullptr) browser->CreateHostedObject();
  m_portal.AttachBrowser(browser);
  if (browser->GetBrowser() == nullptr)
    g_logFile.WriteText(__FILE__, __LINE__, L"门户浏览器无法创建（没有可用的浏览器引擎），门户不显示");
}

void CMainWnd::OnPortalEngineReady(int, void*) {
  m_portalEngineState = PortalEngineState::Done;
  SetUpPortal();
}

bool CMainWnd::QueueNavigatePortal(void* pending) {
  m_pendingNavigations.push_back(pending);
  if (PostCall(m_postTarget, &CMainWnd::NavigatePortal, 0, pending)) return true;
  m_pendingNavigations.pop_back();
  return false;
}

void CMainWnd::NavigatePortal(int, void* pending) {
  std::erase(m_pendingNavigations, pending);
  m_portal.NavigatePortal(0, pending);
}

void CMainWnd::DiscardPendingNavigations() {
  for (void* pending : m_pendingNavigations) CPortalPolicy::DiscardPendingNavigation(pending);
  m_pendingNavigations.clear();
}

void CMainWnd::CloseWindow() {
  m_pageClosed = true;
  Close(0);
}
