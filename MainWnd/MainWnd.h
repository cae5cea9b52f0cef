// CMainWnd: the program's one top-level window and the hub of the process.
// It builds its control tree from the layout, keeps a rounded shape and a
// caption area to drag by, hides to the notification area on its close
// command, starts the configuration thread and keeps every worker's handle,
// runs the calls that workers queue for the user-interface thread, and owns
// the exit routine.
//
// Other processes find it by class and title and may send it
// WM_USER + 1001 with an error code in lParam: it shows the code's text.
#pragma once

#include "MainWnd/ConfigRelay.h"
#include "MainWnd/LineLatencyProbe.h"
#include "MainWnd/LineRelay.h"
#include "MainWnd/MainWndSeams.h"
#include "MainWnd/MsgDispatch.h"
#include "MainWnd/PortalPolicy.h"
#include "MainWnd/ShellDefaultBrowser.h"
#include "MainWnd/ProcessWatch.h"
#include "MainWnd/ProxyStatusWatch.h"
#include "MainWnd/ThreadTable.h"
#include "MainWnd/TrayIcon.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/DialogBuilder.h"
#include "uiframework/window/WindowWnd.h"

namespace SkinUI {
class COptionUI;
}

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

constexpr wchar_t kMainWindowClass[] = L"CMainWnd";
// The window's title; also the tray tip and every message box's title.
constexpr wchar_t kProductTitle[] = L"Brisgol加速器插件";
// WS_POPUP, WS_VISIBLE, WS_CLIPSIBLINGS, WS_CLIPCHILDREN, WS_CAPTION,
// WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX.
constexpr DWORD kMainWindowStyle = 0x96CF0000;
// lParam: an error code; the window shows its text (GetErrorText).
constexpr UINT WM_SHOWERRORCODE = WM_USER + 1001;

class CMainWnd;
// The one main window while it exists, else null. Set and cleared on the
// user-interface thread; workers reach the window through the dispatcher
// only while the window lives, and are ended before it goes.
extern CMainWnd* g_mainWnd;

class CMainWnd : public SkinUI::CWindowWnd,
                 public SkinUI::INotifyUI,
                 public SkinUI::IDialogBuilderCallback,
                 public CMsgDispatch<CMainWnd>,
                 private IConfigReceiver,
                 private ITrayIconOwner,
                 private IPortalWindow,
                 private ILineReceiver {
 public:
  explicit CMainWnd(const MainWndSeams& seams);
  // Ends what is left of the workers (bounded) before the window object
  // goes, and clears g_mainWnd.
  ~CMainWnd() override;

  void Notify(SkinUI::UINotifyMsg& msg) override;
  // "ContainerEx" (exactly): the program's own container; null otherwise.
  SkinUI::CControlUI* CreateControl(LPCWSTR className) override;

  // A null or invalid handle is ignored.
  void RegisterThread(unsigned threadId, HANDLE handle);
  // The exit routine, a queued-call function (the arguments are ignored):
  // stops acceleration, hides the window, removes the tray icon, ends the
  // workers (cooperatively, bounded) and closes the window. Runs once; a
  // second request is ignored.
  void ExitApp(int, void*);
  // Any thread: queues the exit routine. False when it can no longer run
  // (already begun, or the window is gone).
  bool RequestExit();
  bool IsExiting() const { return m_exiting; }
  // Starts acceleration on line 1, 2 or 3 (the current line is not
  // changed here): the loading panel in place of the portal, everything
  // of the earlier start ended, then a worker runs the start. Returns at
  // once; the outcome arrives as a queued call. A newer start supersedes
  // every earlier one: their outcomes change nothing any more.
  void StartLine(int line);

  // Workers look at this between their steps.
  bool StopRequested() const { return m_threads.StopRequested(); }
  CWhitelist& InsideWhitelist() { return m_config->InsideWhitelist(); }
  CWhitelist& OutsideWhitelist() { return m_config->OutsideWhitelist(); }
  SkinUI::CWindowManagerUI& PaintManager() { return m_pm; }

 protected:
  LPCWSTR WindowClassName() const override { return kMainWindowClass; }
  UINT ClassStyle() const override { return CS_DBLCLKS; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The window is gone: nothing queued runs any more, and the workers'
  // reports are dropped.
  void OnDestroyed(HWND window) override;
  // Keeps the rounded shape of the layout's round-corner size.
  virtual void OnSize();

 private:
  LRESULT OnCreate();
  LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
  void OnWindowInit();
  // Window-init's steps after the first paint (a queued call).
  void ContinueWindowInit(int, void*);
  void OnClick(const SkinUI::CUIString& name);
  void OnSelectChanged(const SkinUI::CUIString& name);
  // The named control, or null; a missing name is logged once.
  SkinUI::CControlUI* FindNamed(LPCWSTR name);
  void StartConfigurationThread();
  void Detach();

  // Queued calls the configuration thread's outcomes turn into.
  void StartFirstLine(int, void*);
  void ShowInitialisationFailed(int, void*);
  void ShowUpdateComponentMissing(int, void*);
  void QueueStartFirstLine() override;
  void QueueInitialisationFailed() override;
  void QueueExitForUpdate() override;
  void QueueUpdateComponentMissing() override;
  // The tray menu's "退出程序": the exit routine at once.
  void ExitFromTray() override;

  // The portal ("IeWeb"): window-init's browser step, the queued call a
  // pop-up turns into, and what the policy asks of the window.
  void SetUpPortal();
  void NavigatePortal(int, void* pending);
  bool QueueNavigatePortal(void* pending) override;
  // A page closed the window: it closes for good, which ends the program;
  // acceleration is left as it is.
  void CloseWindow() override;
  void DiscardPendingNavigations();

  MainWndSeams m_seams;
  SkinUI::CWindowManagerUI m_pm;
  CTrayIcon m_tray{*this};
  CThreadTable m_threads;
  std::shared_ptr<CConfigRelay> m_config;
  SkinUI::CControlUI* m_pBrowser = nullptr;
  SkinUI::CControlUI* m_pLoading = nullptr;
  SkinUI::CControlUI* m_pTopBtn = nullptr;
  SkinUI::CControlUI* m_pVersionLab = nullptr;
  SkinUI::CControlUI* m_pLine1 = nullptr;
  SkinUI::CControlUI* m_pLine2 = nullptr;
  SkinUI::CControlUI* m_pLine3 = nullptr;
  std::set<std::wstring> m_missingLogged;
  bool m_exiting = false;
  // The window's handle for posts from any thread (set once at creation).
  std::atomic<HWND> m_postTarget{nullptr};

  // ---- The portal: its navigation policy, the default browser its
  // pop-ups may go to, the addresses queued for NavigatePortal (freed when
  // their call is dropped) and whether a page closed the window.
  CShellDefaultBrowser m_shellBrowser;
  CPortalPolicy m_portal;
  std::vector<void*> m_pendingNavigations;
  bool m_pageClosed = false;
  // ---- Line selection and acceleration (MainWndLines.cpp)
 public:
  enum class LineState { Waiting, Starting, Accelerating, Failed };
  LineState GetLineState() const { return m_lineState; }

 private:
  // The user chose line (the option is selected already): ask, then
  // start it or put the selection back.
  void OnLineChosen(int line);
  SkinUI::COptionUI* LineOption(int line) const;
  void BindLines();
  void ShowPortal();
  // The failure handling: everything of the start ended, the portal back,
  // the failure box.
  void FailLine();
  // The window became shown or hidden, minimised or restored: the line
  // probe and the status strip's watch run only while it is seen.
  void OnSeenChanged();
  bool IsSeen() const { return m_shown && !m_iconic && !m_exiting; }
  // Starts or stops the status watch: it runs while a line accelerates and
  // the window is seen; otherwise the strip shows the slogan.
  void UpdateStatusWatch();
  void StopLineWatches();
  // Queued calls of the line flow; generation: the start they belong to.
  void OnAccelSucceeded(int generation, void* proxyId);
  void OnAccelFailed(int generation, void*);
  void OnProxyEnded(int generation, void*);
  void OnQualityChanged(int, void*);
  void OnStatusChanged(int, void*);
  void QueueAccelSucceeded(int generation, DWORD proxyId) override;
  void QueueAccelFailed(int generation) override;
  void QueueProxyEnded(int generation) override;
  void QueueQualityChanged() override;
  void QueueStatusChanged() override;

  std::shared_ptr<CLineRelay> m_lines;
  std::wstring m_lineNames[3];
  int m_startGeneration = 0;
  LineState m_lineState = LineState::Waiting;
  CProcessWatch m_proxyWatch;
  std::unique_ptr<CLineLatencyProbe> m_latencyProbe;
  // The status strip ("status_lab"): the slogan of the layout, or what the
  // local proxy carries.
  SkinUI::CControlUI* m_pStatusLab = nullptr;
  std::wstring m_slogan;
  std::unique_ptr<CProxyStatusWatch> m_statusWatch;
  bool m_shown = false;
  bool m_iconic = false;

  // ---- The portal's engine: made ready when the portal is set up (after
  // the first paint); the portal is set up in the queued call of its
  // outcome (registered: 1 or 0). The engine's call reaches the window
  // only while the window object lives (m_portalEngineToken).
  enum class PortalEngineState { NotLoaded, Loading, Done };
  void OnPortalEngineReady(int registered, void*);
  PortalEngineState m_portalEngineState = PortalEngineState::NotLoaded;
  std::shared_ptr<int> m_portalEngineToken = std::make_shared<int>(0);
};
