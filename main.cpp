// The process entry: program directory and log, single-instance guard,
// firewall registration, skin archive, browser-engine check, main window.
#include "BuildSettings.h"
#include "FirewallAuthorizer.h"
#include "MainWnd/AccelerationCore.h"
#include "MainWnd/ConfigDocument.h"
#include "MainWnd/ExitSignals.h"
#include "MainWnd/MainWnd.h"
#include "MainWnd/MessageBoxExWnd.h"
#include "PortalEngine.h"
#include "http/HttpModule.h"
#include "platform/CodePage.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/NativePath.h"
#include "platform/Resources.h"
#include "platform/Sync.h"
#include "platform/WinMain.h"
#include "platform/shell/ShellApi.h"
#include "platform/window/User32.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "system/EnvProbes.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/resources/FontEngine.h"
#include "uiframework/resources/ResourceSettings.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

const char kOnceRunSemaphore[] = "Global\\_ONCE_RUN_Brisgolvan_";
const char kSkinPassword[] = "&%kR7pwz";
constexpr DWORD kBrowserEmulationIE11 = 11001;
constexpr int kLowestBrowserMajor = 11;
// The Internet Explorer 11 offline installer (Simplified Chinese, Windows 7).
const wchar_t kBrowserInstallerUrl[] =
    L"http://download.microsoft.com/download/A/C/9/AC924EA1-9F39-4DFD-99DF-2C1DEB922174/EIE11/WOL/"
    L"EIE11_ZH-CN_WOL_WIN7.EXE";
// The exit code when the main window cannot be made (its layout missing or
// unreadable); every other path ends with 0.
constexpr int kNoMainWindow = 1;

// The skin archive copied out of the resources; lives for the process
// (the UI framework reads the skin from it).
std::unique_ptr<BYTE[]> g_skinArchive;

// Named so that every account may open it: a present but null access list.
HANDLE CreateOnceRunSemaphore() {
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
  attributes.nLength = 12;
  attributes.bInheritHandle = TRUE;
  attributes.lpSecurityDescriptor = &descriptor;
  SECURITY_ATTRIBUTES* used = &attributes;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
    used = nullptr;
  return CreateSemaphoreA(used, 1, 1, kOnceRunSemaphore);
}

// A running copy's window is restored and raised above all windows without
// staying topmost; true when there was one.
bool RaiseRunningCopy() {
  HWND running = FindWindowW(kMainWindowClass, kProductTitle);
  if (!running) return false;
  ShowWindow(running, SW_RESTORE);
  SetWindowPos(running, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  SetWindowPos(running, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  return true;
}

void RegisterWithFirewall() {
  const std::wstring rows[3][2] = {
      {ModuleFileName(nullptr), L"brisvel"},
      {g_programDir + L"local.exe", L"brisvel-local"},
      {g_programDir + L"Localold\\local.exe", L"brisvel-old-local"},
  };
  FirewallAuthorizer firewall;
  for (const auto& row : rows)
    if (!firewall.IsAuthorized(row[0])) firewall.Authorize(row[0], row[1]);
}

// Copies resource "ZIPRES" 102 into a buffer of its own and hands it to the
// UI framework with the skin password; false when it is missing, cannot be
// loaded or is empty.
bool LoadSkinArchive(HMODULE module) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(102), L"ZIPRES");
  if (!resource) return false;
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) return false;
  DWORD size = SizeofResource(module, resource);
  if (size == 0) return false;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
  if (!buffer) return false;
  std::memcpy(buffer.get(), LockResource(loaded), size);
  FreeResource(loaded);
  g_skinArchive = std::move(buffer);
  SkinUI::CResourceSettingsUI::SetResourceZip(g_skinArchive.get(), size, kSkinPassword);
  return true;
}

// Opens the installer address with the user's default handler.
void OpenBrowserInstaller() {
  ShellExecuteW(nullptr, L"open", kBrowserInstallerUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

// The browser engine must run in IE11 mode; false when start-up must end
// (after offering the engine upgrade).
bool CheckBrowserEngine() {
  if (IsWindows8OrLater()) {
    SetBrowserEmulation(kBrowserEmulationIE11);
    return true;
  }
  int version = GetMshtmlMajorVersion();
  g_logFile.WriteFormat(__FILE__, __LINE__, L"当前ie版本为：%d", version);
  if (version < kLowestBrowserMajor) {
    int answer = ShowMessageBoxEx(nullptr, kProductTitle, L"IE浏览器版本过低，请使用IE11！", 1, 2, L"去升级", L"取消",
                                  315, 215);
    if (answer == 1) OpenBrowserInstaller();
    return false;
  }
  SetBrowserEmulation(kBrowserEmulationIE11);
  return true;
}

// The portal host's name without its port ("127.0.0.1" of
// "127.0.0.1:18443", "::1" of "[::1]:18443"): the name its certificate is
// trusted for.
std::string PortalHostName() {
  std::string host = WideToUtf8String(build_settings::kPortalHost);
  const size_t colon = host.rfind(':');
  const bool bracketed = !host.empty() && host[0] == '[';
  if (colon != std::string::npos && (bracketed ? colon > 0 && host[colon - 1] == ']' : host.find(':') == colon))
    host.erase(colon);
  if (bracketed && host.size() >= 2 && host.back() == ']') host = host.substr(1, host.size() - 2);
  return host;
}

// The portal's browser engine, the module beside the program; the main
// window has it loaded once it is on screen. It trusts the portal
// certificate beside the program for the portal host only. Without a
// display there is none, and the portal stays empty.
std::shared_ptr<IPortalEngine> MakePortalEngine(bool onDisplay) {
  if (!onDisplay) {
    g_logFile.WriteText(__FILE__, __LINE__, L"没有显示器，门户浏览器引擎未注册");
    return nullptr;
  }
  return std::make_shared<CPortalEngine>(ToNativePath(g_programDir + L"brisgol-webkit.so"),
                                         ToNativePath(g_programDir + L"portal\\portal-cert.pem"), PortalHostName());
}

// Creates, centres and runs the main window until it is destroyed; false
// when it could not be created. Signals ask it for its exit routine while
// it runs.
bool RunMainWindow(CExitSignals& signals, std::shared_ptr<IPortalEngine> portalEngine) {
  CSkinnedMessageBoxes boxes;
  // Shared with the acceleration workers, which may outlive this function
  // when one does not end within the exit routine's wait.
  MainWndSeams seams(boxes, std::make_shared<CControlManagerCore>());
  seams.configUrl = ConfigDocumentUrl();
  // The configuration thread loads the transfer module beside the program
  // with its first download.
  seams.http = std::make_shared<CHttpModule>(ToNativePath(g_programDir + L"brisgol-http.so"));
  seams.lineTargets = ServerLineTargets();
  seams.portalEngine = std::move(portalEngine);
  CMainWnd window(seams);
  if (window.Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 0, 0) == nullptr) {
    g_logFile.WriteText(__FILE__, __LINE__, L"主窗口无法创建，程序退出");
    return false;
  }
  window.CenterOnOwner();
  struct SignalTarget {
    CExitSignals& signals;
    ~SignalTarget() { signals.SetTarget(nullptr); }
  } target{signals};
  signals.SetTarget([&window] { window.RequestExit(); });
  window.RunModal();
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // First, before any other thread exists: the display libraries'
  // environment (threads read the environment unlocked), then the exit
  // signals, taken by a watcher of their own (threads inherit the blocked
  // set).
  PrepareDisplayEnvironment();
  CExitSignals signals;
  g_programDir = GetModuleDirectory(nullptr);
  g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
  // The fonts' configuration loads in the background from here on.
  SkinUI::StartFontEngine();
  HANDLE onceRun = CreateOnceRunSemaphore();
  auto exit = [onceRun](int code = 0) {
    if (onceRun) CloseHandle(onceRun);
    return code;
  };
  // The window decides, not the semaphore: a copy still starting up has
  // no window yet and does not stop this one.
  if (RaiseRunningCopy()) return exit();
  // Real windows when a display is there; otherwise they stay in memory.
  const bool onDisplay = InstallDisplayBackendIfAvailable();

  if (FAILED(CoInitialize(nullptr))) return exit();
  OleInitialize(nullptr);
  RegisterWithFirewall();

  // The render engine decodes the skin's images and measures text for
  // every window of the process.
  SkinUI::CRenderEngineUI renderEngine;
  SkinUI::CScopedRenderServicesUI renderServices(renderEngine.Services());
  SkinUI::CResourceSettingsUI::SetInstance(instance);
  int code = 0;
  if (LoadSkinArchive(SkinUI::CResourceSettingsUI::ResourceModule()) && CheckBrowserEngine()) {
    try {
      if (!RunMainWindow(signals, MakePortalEngine(onDisplay))) code = kNoMainWindow;
    } catch (...) {
      g_logFile.WriteText(__FILE__, __LINE__, L"程序发生了异常");
    }
  }
  OleUninitialize();
  CoUninitialize();
  return exit(code);
}
