// The whole product on the embedded default, nothing faked, on a virtual X
// display with a session bus and a notification-area watcher of its own:
// the configuration server and the three line servers of scripts/embedded,
// the real program with its real local proxy and redirection service,
// driven as a user drives it (clicks on the screen, the tray's menu).
//
// Start -> configuration fetched and decrypted -> line 1 accelerating (read
// from the running "local.exe"'s launch record) -> line 2 chosen and
// confirmed in the box -> restarted for line 2, a request through the local
// proxy's main port reaches a local web server through line 2's server ->
// line 3 chosen and declined -> line 2 stays selected and running -> the
// line servers stopped and a start that cannot succeed (every port pair of
// the local proxy held) -> the failure box once, no "local.exe", no rule ->
// line 1 again, its local proxy killed while accelerating -> the failure
// handling once -> the tray menu's exit -> nothing of ours left running.
//
// Then, started again: the line options' quality tip on hover, and the
// status strip and "brisgol-run --status" following a request through the
// local proxy.
#include "outside/launchrecord/LaunchRecordCodec.h"
#include "platform/CodePage.h"
#include "tests/app/ProgramOnDisplay.h"
#include "tests/http/LocalHttpServer.h"
#include "tests/outside/support/RedirectServiceStop.h"
#include "tests/outside/support/SocksTestClient.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_gtk/WatcherStandIn.h"
#include "tests/support/LoopbackPort.h"
#include "tests/support/TempMachineRoot.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr wchar_t kTitle[] = L"Brisgol加速器插件";
constexpr int kLinePorts[] = {0, 38649, 38549, 6199};
// The local proxy's port pairs; the second port of each is held to make
// every pair unusable.
constexpr int kSecondaryPorts[] = {58080, 57070, 56060};

bool Succeeds(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The pids of the running processes whose executable is named name.
std::vector<pid_t> ProcessesNamed(const std::string& name) {
  std::vector<pid_t> pids;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string id = entry.path().filename();
    if (id.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code error;
    const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
    if (!error && exe.filename() == name) pids.push_back(std::stoi(id));
  }
  return pids;
}

// The launch record on the process's command line (its one argument).
std::string RecordArgument(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t first = all.find('\0');
  if (first == std::string::npos) return {};
  return all.substr(first + 1, all.find('\0', first + 1) - first - 1);
}

// The one running local proxy and its decoded launch record.
struct RunningProxy {
  pid_t pid = 0;
  LaunchRecord record;
};
bool OneRunningProxy(RunningProxy& proxy) {
  const std::vector<pid_t> pids = ProcessesNamed("local.exe");
  if (pids.size() != 1) return false;
  proxy.pid = pids[0];
  return DecodeLaunchRecord(RecordArgument(proxy.pid), proxy.record) == LaunchRecordError::kNone;
}

// A request through the local proxy to the web server. While the request
// is open (sent up to its last line break), during() is asked what it sees.
std::string Fetch(int proxyPort, int webPort, const std::function<void()>& during = nullptr) {
  int reply = -1;
  const int fd = SocksConnect(proxyPort, "127.0.0.1", webPort, reply);
  if (fd < 0) return "no connection, reply " + std::to_string(reply);
  SendAll(fd, "GET /files/index.html HTTP/1.0\r\nHost: 127.0.0.1\r\n");
  if (during) during();
  SendAll(fd, "\r\n");
  std::string response;
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) response.append(buffer, static_cast<size_t>(n));
  close(fd);
  return response;
}

// Holds until done() stops holding or the time is up; whether it held
// throughout (for what must not happen).
bool HoldsFor(const std::function<bool()>& done, milliseconds period) {
  return !WaitUntil([&] { return !done(); }, period);
}

// Every message box the program opens, seen from outside as another
// process finds windows (by class and title), counted once each.
class BoxWatch {
 public:
  BoxWatch() : thread_([this] { Run(); }) {}
  ~BoxWatch() {
    stop_ = true;
    thread_.join();
  }
  size_t Seen() const {
    std::lock_guard<std::mutex> hold(lock_);
    return seen_.size();
  }
  static bool Open() { return FindWindowW(L"CMessageBoxExWnd", kTitle) != nullptr; }

 private:
  void Run() {
    while (!stop_) {
      if (HWND box = FindWindowW(L"CMessageBoxExWnd", kTitle)) {
        std::lock_guard<std::mutex> hold(lock_);
        seen_.insert(box);
      }
      std::this_thread::sleep_for(milliseconds(20));
    }
  }

  mutable std::mutex lock_;
  std::set<HWND> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A box on the screen: its X window and how many buttons it offers.
struct ShownBox {
  std::string id;
  int buttons = 0;
};

class ProductEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under Xvfb)";
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) GTEST_SKIP() << "needs a session bus (dbus-run-session)";
    if (geteuid() != 0) GTEST_SKIP() << "the line servers and the redirection service need root";
    const std::string missing = MissingTool({"danted", "python3", "iconv", "xdotool", "import", "convert", "ss"});
    if (!missing.empty()) GTEST_SKIP() << missing << " is missing";
    // The redirection service of this build, not one another build left.
    StopRedirectService();
    nftUsable = Succeeds("nft list tables");
    if (!nftUsable)
      std::printf("[   NOTE   ] nftables cannot be used here: the redirection rule checks are skipped\n");
    buildDir = std::getenv("BRISGOL_BUILD_DIR");
    source = std::getenv("BRISGOL_SOURCE_DIR");
    programDir = root.path() / "program";
    fs::copy(buildDir / "bin", programDir, fs::copy_options::recursive);
    for (const char* stale : {"log2.log", "config.txt", "WebWhiteList.txt", "OutWebWhiteList.txt", "local.cfg"})
      fs::remove(programDir / stale);
    WriteTestFile(programDir / "local.cfg", "[config]\ntdx_check=0\n");
    // The panel is there before the program starts, as on a desktop.
    ASSERT_TRUE(watcher.Start()) << "the watcher's name could not be had";
    ASSERT_TRUE(Service("config", "start")) << "the configuration server did not start";
    ASSERT_TRUE(Service("lines", "start")) << "the line servers did not start";
  }
  void TearDown() override {
    if (IsSkipped()) return;
    // After a failure midway: the program is gone, its local proxy is not.
    for (pid_t left : ProcessesUnder(programDir)) kill(left, SIGKILL);
    Service("lines", "stop");
    Service("config", "stop");
    StopRedirectService();
  }
  bool Service(const char* name, const char* action) {
    const std::string command = (source / "scripts/embedded" / (std::string(name) + ".sh")).string() + " " + action +
                                " '" + buildDir.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
  std::wstring Log() {
    const std::string bytes = ReadTestFile(programDir / "log2.log");
    return bytes.size() >= 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }
  size_t Count(const std::wstring& text) {
    const std::wstring log = Log();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  size_t Successes() { return Count(L"]加速成功\r\n"); }

  // The redirection rule: in force, and redirecting to that port.
  // The program runs as the test's user: its rules are that user's table.
  std::string Rules() { return CommandOutput("nft list table inet brisgol_u" + std::to_string(getuid()) + " 2>/dev/null"); }
  bool RuleInForce(int port) { return !nftUsable || Rules().find("redirect to :" + std::to_string(port)) != std::string::npos; }
  bool NoRule() { return !nftUsable || !UserTableInForce(getuid()); }

  // The main window's position on the screen.
  WindowBox MainWindow() { return BoxOf(WaitForShownWindow(kMainWidth, kMainHeight)); }
  // The line options stand in the strip under the caption, 196 pixels
  // wide, 10 apart, the first 111 pixels from the window's left edge.
  static int OptionLeft(int line) { return 111 + 206 * (line - 1); }
  static constexpr int kOptionTop = 51;
  void ClickLine(int line) {
    const WindowBox at = MainWindow();
    Xdotool("mousemove " + std::to_string(at.x + OptionLeft(line) + 75) + " " + std::to_string(at.y + kOptionTop + 18) +
            " click 1");
  }
  // The lines whose option shows the selected look (its check mark: bright
  // pixels at the option's right end).
  std::vector<int> SelectedOnScreen() {
    const WindowBox at = MainWindow();
    const Screenshot shot = TakeScreenshot(RECT{at.x, at.y + kOptionTop, at.x + OptionLeft(4), at.y + kOptionTop + 36});
    std::vector<int> lines;
    if (shot.pixels.empty()) return lines;
    for (int line = 1; line <= 3; ++line) {
      int bright = 0;
      for (int dx = 170; dx < 187; ++dx)
        for (int dy = 10; dy < 27; ++dy) {
          const std::uint32_t p = shot.At(at.x + OptionLeft(line) + dx, at.y + kOptionTop + dy);
          bright += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 450 ? 1 : 0;
        }
      if (bright > 20) lines.push_back(line);
    }
    return lines;
  }

  // Waits for the next box (the watch's count passing seen) to be shown
  // and drawn; its buttons are told by their colour: the first button
  // (blue) stands alone in the middle or left of the second (slate).
  ShownBox WaitForBox(size_t seen) {
    ShownBox box;
    if (!WaitUntil([&] { return boxes.Seen() > seen; }, seconds(30))) return box;
    box.id = WaitForShownWindow(kBoxWidth, kBoxHeight, seconds(10));
    if (box.id.empty()) return box;
    WaitUntil(
        [&] {
          const WindowBox at = BoxOf(box.id);
          const Screenshot shot = TakeScreenshot(RECT{at.x, at.y, at.x + kBoxWidth, at.y + kBoxHeight});
          auto blue = [&](int x) {
            const std::uint32_t p = shot.At(at.x + x, at.y + 170);
            return (p & 0xFF) > 200 && ((p >> 16) & 0xFF) < 130;
          };
          auto slate = [&](int x) { return shot.At(at.x + x, at.y + 170) == 0x383F5F; };
          box.buttons = blue(57) && slate(177) ? 2 : blue(117) && blue(197) && !blue(57) ? 1 : 0;
          return box.buttons != 0;
        },
        seconds(10));
    return box;
  }
  // Clicks a button of the box (1: the first, 2: the second) and waits
  // until the box is gone.
  bool Answer(const ShownBox& box, int button) {
    const WindowBox at = BoxOf(box.id);
    const int x = box.buttons == 1 ? 157 : button == 1 ? 97 : 217;
    Xdotool("mousemove " + std::to_string(at.x + x) + " " + std::to_string(at.y + 180) + " click 1");
    return WaitUntil([] { return !BoxWatch::Open(); }, seconds(10));
  }
  // Chooses a line and answers its question; the count of boxes before.
  void ChooseLine(int line, int button) {
    const size_t before = boxes.Seen();
    ClickLine(line);
    const ShownBox box = WaitForBox(before);
    ASSERT_FALSE(box.id.empty()) << "no question for line " << line;
    EXPECT_EQ(box.buttons, 2) << "the question offers confirm and cancel";
    ASSERT_TRUE(Answer(box, button)) << "the question stays open";
  }
  // The failure box: shown once, with one button; while it is open the
  // failure handling has already ended the local proxy and removed the
  // rule. Closed with its button; no second one follows.
  void ExpectFailureBoxOnce(size_t before) {
    const ShownBox box = WaitForBox(before);
    ASSERT_FALSE(box.id.empty()) << "no failure box\n" << Log();
    EXPECT_EQ(box.buttons, 1) << "the failure box has one button";
    EXPECT_TRUE(ProcessesNamed("local.exe").empty()) << "the failed start's local proxy is ended";
    EXPECT_TRUE(NoRule()) << Rules();
    ASSERT_TRUE(Answer(box, 1));
    EXPECT_TRUE(HoldsFor([&] { return boxes.Seen() == before + 1; }, seconds(2))) << "a second failure box";
  }
  // The X ids of the shown windows of the program that are not titled as
  // its windows are (the tray's popup menu).
  static std::vector<std::string> ShownMenus(pid_t pid) {
    std::vector<std::string> ids;
    const std::vector<std::string> titled = ShownProgramWindows();
    std::istringstream lines(CommandOutput("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
    for (std::string line; std::getline(lines, line);)
      if (!line.empty() && std::find(titled.begin(), titled.end(), line) == titled.end()) ids.push_back(line);
    return ids;
  }

  TempMachineRoot root;
  fs::path buildDir, source, programDir;
  bool nftUsable = false;
  WatcherStandIn watcher;
  BoxWatch boxes;
};

TEST_F(ProductEndToEndTest, LinesChangeDeclineFailAndEndAsAUserMeetsThem) {
  WriteTestFile(root.path() / "site/index.html", "brisgol through the line");
  LocalHttpServer web(root.path() / "site");
  ASSERT_TRUE(web.running());

  RunningProgram program(programDir / "brisgol");
  ASSERT_TRUE(program.Started());
  ASSERT_NE(program.WaitForWindow(), nullptr) << "no main window";
  ASSERT_FALSE(WaitForShownWindow(kMainWidth, kMainHeight).empty()) << "the main window is not shown";

  // Configuration fetched and decrypted, line 1 started by itself.
  ASSERT_TRUE(WaitUntil([&] { return Successes() == 1; }, seconds(60))) << Log();
  EXPECT_NE(Log().find(L"]开始加速线路1\r\n"), std::wstring::npos);
  EXPECT_TRUE(fs::exists(programDir / "config.txt"));
  EXPECT_EQ(boxes.Seen(), 0u) << "no question before the automatic start";
  RunningProxy line1;
  ASSERT_TRUE(OneRunningProxy(line1));
  EXPECT_EQ(line1.record.serverAddress, "127.0.0.1");
  EXPECT_EQ(line1.record.serverPort, kLinePorts[1]) << "line 1's server";
  EXPECT_GT(line1.record.mainPort, 0);
  const pid_t front = static_cast<pid_t>(line1.record.frontEndPid);
  EXPECT_NE(std::find(ProcessesNamed("brisgol").begin(), ProcessesNamed("brisgol").end(), front),
            ProcessesNamed("brisgol").end())
      << "the record names the running front end";
  EXPECT_TRUE(RuleInForce(line1.record.mainPort)) << Rules();
  EXPECT_TRUE(WaitUntil([&] { return SelectedOnScreen() == std::vector<int>{1}; }, seconds(10)));

  // Line 2, confirmed: restarted for line 2.
  ChooseLine(2, 1);
  ASSERT_TRUE(WaitUntil([&] { return Successes() == 2; }, seconds(30))) << Log();
  EXPECT_EQ(Count(L"]开始加速线路2\r\n"), 1u);
  RunningProxy line2;
  ASSERT_TRUE(OneRunningProxy(line2));
  EXPECT_NE(line2.pid, line1.pid) << "a new local proxy";
  EXPECT_EQ(line2.record.serverPort, kLinePorts[2]) << "line 2's server";
  EXPECT_TRUE(RuleInForce(line2.record.mainPort)) << Rules();
  EXPECT_TRUE(WaitUntil([&] { return SelectedOnScreen() == std::vector<int>{2}; }, seconds(10)));

  // A request through the main port reaches the web server; while it is
  // open, the local proxy holds a connection to line 2's server.
  std::string upstream;
  const std::string response = Fetch(line2.record.mainPort, web.port(), [&] {
    const std::string query = "ss -H -t -n -p state established dst 127.0.0.1:" + std::to_string(kLinePorts[2]);
    WaitUntil(
        [&] {
          upstream = CommandOutput(query);
          return upstream.find("pid=" + std::to_string(line2.pid) + ",") != std::string::npos;
        },
        seconds(5));
  });
  EXPECT_NE(response.find(" 200 "), std::string::npos) << response;
  EXPECT_NE(response.find("brisgol through the line"), std::string::npos);
  EXPECT_NE(upstream.find("pid=" + std::to_string(line2.pid) + ","), std::string::npos)
      << "no connection of the local proxy to line 2's server: " << upstream;

  // Line 3, declined: line 2 stays selected and running, nothing restarts.
  ChooseLine(3, 2);
  EXPECT_TRUE(WaitUntil([&] { return SelectedOnScreen() == std::vector<int>{2}; }, seconds(10)));
  RunningProxy still;
  ASSERT_TRUE(OneRunningProxy(still));
  EXPECT_EQ(still.pid, line2.pid) << "the same local proxy";
  EXPECT_EQ(Count(L"开始加速线路3"), 0u);
  EXPECT_EQ(Successes(), 2u);
  EXPECT_TRUE(RuleInForce(line2.record.mainPort)) << Rules();

  // The line servers stop: the line carries nothing any more.
  ASSERT_TRUE(Service("lines", "stop"));
  EXPECT_EQ(Fetch(line2.record.mainPort, web.port()).find(" 200 "), std::string::npos);
  // A start that cannot succeed: every port pair of the local proxy is
  // held. Confirmed, it fails: the failure box once, no proxy, no rule.
  std::vector<std::unique_ptr<LoopbackPort>> held;
  for (int port : kSecondaryPorts) {
    held.push_back(std::make_unique<LoopbackPort>(LoopbackPort::Options{.port = port}));
    ASSERT_TRUE(held.back()->ok()) << "port " << port << " is taken already";
  }
  size_t before = boxes.Seen();
  ChooseLine(3, 1);
  ExpectFailureBoxOnce(before + 1);
  EXPECT_EQ(Count(L"引擎可用端口被全部占用"), 1u) << "the log holds the reason\n" << Log();
  EXPECT_EQ(Successes(), 2u);
  EXPECT_TRUE(WaitUntil([&] { return SelectedOnScreen() == std::vector<int>{3}; }, seconds(10)))
      << "the selection stays on the line that failed";
  held.clear();
  ASSERT_TRUE(Service("lines", "start"));

  // Line 1 again; its local proxy killed while accelerating: the failure
  // handling once.
  ChooseLine(1, 1);
  ASSERT_TRUE(WaitUntil([&] { return Successes() == 3; }, seconds(30))) << Log();
  RunningProxy again;
  ASSERT_TRUE(OneRunningProxy(again));
  EXPECT_EQ(again.record.serverPort, kLinePorts[1]);
  EXPECT_TRUE(RuleInForce(again.record.mainPort)) << Rules();
  before = boxes.Seen();
  kill(again.pid, SIGKILL);
  ExpectFailureBoxOnce(before);
  EXPECT_EQ(Count(L"]本地代理进程已结束，加速中断\r\n"), 1u) << Log();

  // The tray menu's second item, "退出程序": the exit routine, and
  // nothing of ours left running.
  const std::string item = watcher.WaitForItem(seconds(10));
  ASSERT_FALSE(item.empty()) << "the icon registered";
  watcher.Call(item, "ContextMenu", 600, 500);
  ASSERT_TRUE(WaitUntil([&] { return !ShownMenus(front).empty(); }, seconds(10))) << "no menu";
  Xdotool("key Down Down Return");
  EXPECT_EQ(program.Wait(seconds(30)), 0);
  // The redirection service stands in for the system's drivers, which stay
  // installed when the program ends; it holds no rule any more.
  const auto ours = [&] {
    std::vector<pid_t> left = ProcessesUnder(programDir);
    std::erase_if(left, [](pid_t pid) {
      std::error_code error;
      return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error).filename() == "brisgol-redirectd";
    });
    return left;
  };
  EXPECT_TRUE(WaitUntil([&] { return ours().empty(); }, seconds(5)))
      << "a process of the program directory is still running";
  EXPECT_TRUE(ProcessesNamed("local.exe").empty());
  EXPECT_TRUE(NoRule()) << Rules();
  EXPECT_EQ(boxes.Seen(), 6u) << "three questions answered with confirm, one declined, two failure boxes";
}

// What "brisgol-run --status --json" says right now (the program's
// environment, so the same status folder).
std::string StatusJson(const fs::path& programDir) {
  return CommandOutput("'" + (programDir / "brisgol-run").string() + "' --status --json 2>&1");
}

// A counter of that JSON object, or -1.
long long JsonNumber(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":");
  if (at == std::string::npos) return -1;
  return std::atoll(json.c_str() + at + name.size() + 3);
}

// The status strip's pixels (the text left of the version).
std::vector<std::uint32_t> StripPixels(const WindowBox& at) {
  return TakeScreenshot(RECT{at.x + 30, at.y + 574, at.x + 520, at.y + 596}).pixels;
}

TEST_F(ProductEndToEndTest, TheLinesShowTheirQualityAndTheStripWhatTheLineCarries) {
  WriteTestFile(root.path() / "site/index.html", std::string(200000, 'x'));
  LocalHttpServer web(root.path() / "site");
  ASSERT_TRUE(web.running());
  RunningProgram program(programDir / "brisgol");
  ASSERT_TRUE(program.Started());
  ASSERT_NE(program.WaitForWindow(), nullptr) << "no main window";
  ASSERT_TRUE(WaitUntil([&] { return Successes() == 1; }, seconds(60))) << Log();
  RunningProxy proxy;
  ASSERT_TRUE(OneRunningProxy(proxy));

  // The status interface answers for line 1's proxy.
  std::string json;
  ASSERT_TRUE(WaitUntil([&] { return JsonNumber(json = StatusJson(programDir), "local_proxy_pid") == proxy.pid; },
                        seconds(10)))
      << json;
  EXPECT_EQ(JsonNumber(json, "line"), 1) << json;

  // Hovering over line 2 shows its quality: the tip below the pointer
  // reaches well past the option's right end (the markup's "使用线路二加速"
  // ends inside it), once the probe has measured.
  const WindowBox at = MainWindow();
  const int pointerX = at.x + OptionLeft(2) + 60, pointerY = at.y + kOptionTop + 18;
  const int pastOption = at.x + OptionLeft(2) + 196 + 10;
  const RECT band{pastOption, pointerY + 24, pastOption + 30, pointerY + 36};
  auto away = [&] { Xdotool("mousemove " + std::to_string(at.x + 450) + " " + std::to_string(at.y + 300)); };
  away();
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::vector<std::uint32_t> without = TakeScreenshot(band).pixels;
        Xdotool("mousemove " + std::to_string(pointerX) + " " + std::to_string(pointerY));
        const bool shown = WaitUntil([&] { return TakeScreenshot(band).pixels != without; }, seconds(3));
        if (!shown) away();
        return shown;
      },
      seconds(40)))
      << "no quality tip over line 2";
  const std::string hover = (buildDir / "tests/line_quality_tip.png").string();
  std::system(("import -window root '" + hover + "'").c_str());
  away();

  // A request through the main port: the strip and the counters follow it.
  const std::vector<std::uint32_t> before = StripPixels(at);
  std::string during;
  const std::string response = Fetch(proxy.record.mainPort, web.port(), [&] {
    WaitUntil([&] { return JsonNumber(during = StatusJson(programDir), "tcp_connections") >= 1; }, seconds(5));
  });
  EXPECT_NE(response.find(" 200 "), std::string::npos) << response.substr(0, 200);
  EXPECT_GE(JsonNumber(during, "tcp_connections"), 1) << "the open request is counted: " << during;
  ASSERT_TRUE(WaitUntil([&] { return JsonNumber(json = StatusJson(programDir), "bytes_down") >= 200000; }, seconds(5)))
      << json;
  EXPECT_GT(JsonNumber(json, "bytes_up"), 0) << json;
  EXPECT_TRUE(WaitUntil([&] { return StripPixels(at) != before; }, seconds(5))) << "the strip shows what was carried";
  const std::string strip = (buildDir / "tests/status_strip.png").string();
  std::system(("import -window root '" + strip + "'").c_str());

  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(seconds(30)), 0);
}

}  // namespace
