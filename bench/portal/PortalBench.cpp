// Figures of the portal with the WebKit engine: the time from creating the
// browser control to the first DocumentComplete of the local portal's home
// page (the first run starts the engine's processes; the later ones are
// warm), with the points where the engine asked whether it may load the
// page (before that: the new view's web process starts) and where the
// response was committed (after that: the style sheet and the frames), and
// the resident memory of the front end and of the engine's own processes,
// apart. Warm runs come twice: a control made right after the previous one
// closed gets a new view (its web process starts), one made once the
// engine's spare view is up adopts that; the memory is shown with a portal
// on screen and with only the spare. Serves the portal itself (the build's certificate) on
// the portal host; without a display it runs itself again under xvfb-run.
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/window/gtk/DisplayBackend.h"
#include "platform/window/gtk/WebKitBrowser.h"
#include "uiframework/activex/WebBrowserUI.h"
#include "uiframework/layout/HorizontalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/window/WindowWnd.h"

extern char** environ;

namespace {

using namespace SkinUI;
using Clock = std::chrono::steady_clock;

const wchar_t* const kHome = L"https://127.0.0.1:18443/daohang/";

class BenchWindow : public CWindowWnd {
 public:
  CWindowManagerUI pm;

 protected:
  LPCWSTR WindowClassName() const override { return L"PortalBenchWindow"; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) pm.Init(m_hWnd, L"bench");
    LRESULT result = 0;
    if (pm.HandleWindowMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::OnMessage(message, wParam, lParam);
  }
};

bool IsHome(const VARIANT* url) { return url && url->vt == VT_BSTR && std::wstring(url->bstrVal) == kHome; }

// Records when the home page's navigation reached each step: the engine
// asked whether it may go there (its web process is up and the load
// begins), the response was committed, and the document completed.
class FirstDocument : public CWebBrowserEventHandler {
 public:
  void BeforeNavigate2(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&,
                       VARIANT_BOOL*&) override {
    if (IsHome(url) && asked == Clock::time_point{}) asked = Clock::now();
  }
  void NavigateComplete2(IDispatch*, VARIANT*& url) override {
    if (IsHome(url) && committed == Clock::time_point{}) committed = Clock::now();
  }
  void DocumentComplete(IDispatch*, VARIANT*& url) override {
    if (IsHome(url)) done = true;
  }
  bool done = false;
  Clock::time_point asked;
  Clock::time_point committed;
};

double Ms(Clock::time_point from, Clock::time_point to) {
  return to == Clock::time_point{} ? -1 : std::chrono::duration<double, std::milli>(to - from).count();
}

// Engine callbacks run inside the message wait without a message of their
// own: a timer on the window makes the loop look at done often.
bool RunUntil(HWND window, const bool& done, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const UINT_PTR timer = SetTimer(window, 77, 10, nullptr);
  MSG msg;
  while (!done && Clock::now() < deadline && GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  KillTimer(window, timer);
  return done;
}

// A "Name:   N kB" figure of a /proc file of a process, in KiB (0 when
// unknown).
long ProcKib(pid_t pid, const char* file, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/" + file);
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + field.size());
  }
  return 0;
}

// Resident memory, and its proportional share (pages shared with other
// processes, the engine's libraries above all, counted in part).
long ResidentKib(pid_t pid) { return ProcKib(pid, "status", "VmRSS:"); }
long ProportionalKib(pid_t pid) { return ProcKib(pid, "smaps_rollup", "Pss:"); }

// The engine's processes: children of this process other than the server.
void ReportEngineMemory(pid_t server) {
  long total = 0;
  long totalPss = 0;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
    if (pid <= 0 || pid == server) continue;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(text.substr(close + 2));
    char state;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent != getpid()) continue;
    const std::string name = text.substr(text.find('(') + 1, close - text.find('(') - 1);
    const long kib = ResidentKib(pid);
    const long pss = ProportionalKib(pid);
    total += kib;
    totalPss += pss;
    std::printf("  engine process %-22s %8.1f MiB (proportional %.1f MiB)\n", name.c_str(), kib / 1024.0,
                pss / 1024.0);
  }
  if (proc) closedir(proc);
  std::printf("  engine processes total          %8.1f MiB (proportional %.1f MiB)\n", total / 1024.0,
              totalPss / 1024.0);
}

pid_t StartServer() {
  const std::string server = std::string(BRISGOL_SOURCE_DIR) + "/scripts/embedded/portal_server.py";
  const std::string pages = std::string(BRISGOL_SOURCE_DIR) + "/scripts/embedded/portal";
  const std::string cert = std::string(BRISGOL_BUILD_DIR) + "/bin/portal/portal-cert.pem";
  const std::string key = std::string(BRISGOL_BUILD_DIR) + "/embedded/portal-key.pem";
  std::vector<std::string> argv{"python3", server, "--bind", "127.0.0.1", "--port", "18443", "--cert", cert,
                                "--key", key, "--root", pages};
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, "python3", nullptr, nullptr, args.data(), environ) != 0) return -1;
  return pid;
}

struct Run {
  double total = -1;      // creation -> first DocumentComplete
  double asked = -1;      // creation -> BeforeNavigate2 of home
  double committed = -1;  // creation -> NavigateComplete2 of home
};

// One run: a window with a browser control navigating home at creation.
Run CreateToFirstDocument(bool keep, BenchWindow*& kept) {
  auto* window = new BenchWindow;
  window->Create(nullptr, L"portal bench", WS_POPUP | WS_VISIBLE, 0, 50, 50, 800, 600);
  FirstDocument handler;
  auto* row = new CHorizontalLayoutUI;
  auto* browser = new CWebBrowserUI;
  browser->SetEventHandler(&handler);
  browser->SetAttribute(L"homepage", kHome);
  browser->SetAttribute(L"autonavi", L"true");
  row->Add(browser);
  const auto start = Clock::now();
  window->pm.AttachRoot(row);
  const bool done = RunUntil(window->GetHWND(), handler.done, 30000);
  Run run;
  run.total = done ? Ms(start, Clock::now()) : -1;
  run.asked = Ms(start, handler.asked);
  run.committed = Ms(start, handler.committed);
  if (keep) {
    kept = window;
  } else {
    DestroyWindow(window->GetHWND());
    delete window;
  }
  return run;
}

struct Series {
  const char* name;
  int runs;
  bool spare;  // wait for the engine's spare view before each run
};

// Runs the message loop until the engine's spare view has its page.
bool RunUntilSpareReady(const CWebKitViewSource& views, int timeoutMs) {
  auto* window = new BenchWindow;
  window->Create(nullptr, L"portal bench idle", WS_POPUP, 0, 0, 0, 10, 10);
  bool ready = views.SpareReady();
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!ready && Clock::now() < deadline) {
    RunUntil(window->GetHWND(), ready, 20);
    ready = views.SpareReady();
  }
  DestroyWindow(window->GetHWND());
  delete window;
  return ready;
}

}  // namespace

int main(int argc, char** argv) {
  if (!InstallDisplayBackendIfAvailable()) {
    if (std::getenv("BRISGOL_BENCH_ON_XVFB") != nullptr || argc < 1) {
      std::printf("no X display could be opened\n");
      return 1;
    }
    setenv("BRISGOL_BENCH_ON_XVFB", "1", 1);
    execlp("xvfb-run", "xvfb-run", "-a", "-s", "-screen 0 1280x800x24 -noreset", argv[0], nullptr);
    std::printf("no X display, and xvfb-run could not be started\n");
    return 1;
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  setenv("NO_AT_BRIDGE", "1", 1);
  const pid_t server = StartServer();
  if (server <= 0) {
    std::printf("the portal server could not be started\n");
    return 1;
  }
  usleep(500 * 1000);
  const long beforeKib = ResidentKib(getpid());
  int result = 0;
  {
    CWebKitBrowserClass engine(std::string(BRISGOL_BUILD_DIR) + "/bin/portal/portal-cert.pem", "127.0.0.1");
    // cold: the engine's first view; then controls made right after the
    // previous one closed (a fresh view each), then controls made once the
    // engine's spare view is up (the spare is adopted).
    const Series series[] = {{"cold", 1, false}, {"warm, fresh view", 2, false}, {"warm, spare adopted", 5, true}};
    BenchWindow* kept = nullptr;
    int number = 0;
    for (const Series& each : series) {
      std::vector<double> times;
      for (int i = 0; i < each.runs && result == 0; ++i) {
        if (each.spare) {
          const auto waited = Clock::now();
          if (!RunUntilSpareReady(*engine.Views(), 30000)) {
            std::printf("the spare view did not come up\n");
            result = 1;
            break;
          }
          std::printf("  (spare ready %.1f ms after the previous control closed)\n", Ms(waited, Clock::now()));
        }
        const bool last = &each == &series[2] && i == each.runs - 1;
        const Run run = CreateToFirstDocument(last, kept);
        ++number;
        if (run.total < 0) {
          std::printf("run %d: the home page did not complete (is port 18443 free?)\n", number);
          result = 1;
          break;
        }
        std::printf("control creation -> first DocumentComplete, run %d (%s): %7.1f ms"
                    " (load asked at %.1f, committed at %.1f)\n",
                    number, each.name, run.total, run.asked, run.committed);
        times.push_back(run.total);
      }
      if (times.size() > 1) {
        std::sort(times.begin(), times.end());
        std::printf("%s: median %.1f ms, best %.1f ms%s\n", each.name, times[times.size() / 2], times.front(),
                    each.spare ? " (goal <= 300 ms)" : "");
      }
    }
    std::printf("resident memory with one portal shown:\n");
    std::printf("  front end (this process)        %8.1f MiB (%.1f MiB before the engine)\n",
                ResidentKib(getpid()) / 1024.0, beforeKib / 1024.0);
    ReportEngineMemory(server);
    if (kept) {
      DestroyWindow(kept->GetHWND());
      delete kept;
      // No control any more: the spare alone, ready for the next one.
      if (RunUntilSpareReady(*engine.Views(), 30000)) {
        std::printf("resident memory with no control, the spare view ready:\n");
        std::printf("  front end (this process)        %8.1f MiB\n", ResidentKib(getpid()) / 1024.0);
        ReportEngineMemory(server);
      }
    }
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  return result;
}
