// The program itself on an X display of its own (Xvfb) with the local
// portal: the home page shows inside the skinned window's "IeWeb"
// rectangle, and the page's window.close() ends the program, its engine's
// processes included. The configuration server's address is held by a
// listener that never answers, so nothing but the portal happens.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "BuildSettings.h"
#include "platform/CodePage.h"
#include "tests/app/RunningProgram.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/portal_gtk/PortalProcesses.h"
#include "tests/support/TempMachineRoot.h"

namespace portaltest {
namespace {

// The skin: 900 x 600, a 1-pixel border, the caption (40) and the line
// strip (56) above the portal, the status strip (28) below it.
constexpr RECT kIeWeb{1, 97, 899, 571};
// The demo portal's page background and the skin's portal background.
constexpr std::uint32_t kPageColour = 0x0E1526;
constexpr std::uint32_t kSkinPortalColour = 0x0B111E;
// The home page's close button: fixed 12 pixels from the page's top right
// corner, 96 x 32.
constexpr POINT kCloseButton{kIeWeb.right - 12 - 48, kIeWeb.top + 12 + 16};

// The main window's top left corner on the screen once it is shown
// (xdotool writes its geometry into a file of the test).
bool WindowOrigin(const std::filesystem::path& scratch, POINT& origin) {
  const std::string file = (scratch / "geometry.txt").string();
  for (int i = 0; i < 400; ++i) {
    std::system(("xdotool search --onlyvisible --name 'Brisgol加速器插件' getwindowgeometry --shell > '" + file +
                 "' 2>/dev/null")
                    .c_str());
    std::map<std::string, int> values;
    std::istringstream lines(ReadFile(file));
    for (std::string line; std::getline(lines, line);)
      if (size_t eq = line.find('='); eq != std::string::npos) values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    if (values.count("WIDTH") != 0) {
      origin = POINT{values["X"], values["Y"]};
      return values["WIDTH"] == 900;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// The parent process and the command name of a process ("" when gone).
std::pair<pid_t, std::string> ParentAndName(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t open = stat.find('(');
  const size_t close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size()) return {0, ""};
  return {std::atoi(stat.c_str() + close + 4), stat.substr(open + 1, close - open - 1)};
}

// The children of a process, with their command names.
std::map<pid_t, std::string> ChildrenOf(pid_t parent) {
  std::map<pid_t, std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const pid_t pid = std::atoi(entry.path().filename().c_str());
    if (pid <= 0) continue;
    const auto [ppid, command] = ParentAndName(pid);
    if (ppid == parent) found[pid] = command;
  }
  return found;
}

// Alive: it exists and is no zombie.
bool Alive(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

TEST(ProgramPortal, HomeShowsInTheIeWebRectangleAndAPageClosingTheWindowEndsTheProgram) {
  ASSERT_FALSE(Env("DISPLAY").empty()) << "needs an X display (run under Xvfb)";
  // The program's own portal host, with the build's certificate beside it.
  const std::string host = WideToUtf8String(build_settings::kPortalHost);
  const size_t colon = host.rfind(':');
  ASSERT_NE(colon, std::string::npos);
  const int port = std::atoi(host.c_str() + colon + 1);
  const pid_t server = StartPortalServer(host.substr(0, colon), port);
  ASSERT_GT(server, 0);
  struct ServerEnd {
    pid_t pid;
    ~ServerEnd() { EndProcess(pid); }
  } serverEnd{server};
  ASSERT_TRUE(WaitForPort(port, 20000));

  TempMachineRoot root;
  const std::filesystem::path programDir = root.Dir("program");
  const std::filesystem::path build = Env("BRISGOL_BUILD_DIR");
  std::filesystem::copy_file(build / "bin/brisgol", programDir / "brisgol");
  std::filesystem::copy_file(build / "bin/brisgol-webkit.so", programDir / "brisgol-webkit.so");
  std::filesystem::copy_file(build / "bin/brisgol-http.so", programDir / "brisgol-http.so");
  std::filesystem::create_directories(programDir / "portal");
  std::filesystem::copy_file(build / "bin/portal/portal-cert.pem", programDir / "portal/portal-cert.pem");
  SilentConfigServer configServer;
  ASSERT_TRUE(configServer.listening());

  RunningProgram program(programDir / "brisgol");
  ASSERT_TRUE(program.Started());
  POINT origin{};
  ASSERT_TRUE(WindowOrigin(root.path(), origin)) << "no shown main window";
  const RECT portal{origin.x + kIeWeb.left, origin.y + kIeWeb.top, origin.x + kIeWeb.right,
                    origin.y + kIeWeb.bottom};
  // Below the page's text and frames.
  const POINT middle{(portal.left + portal.right) / 2 + 200, portal.bottom - 40};

  // Waits for the page to be drawn (the engine's first start may be slow
  // on a loaded machine): the outcome is looked at, not the time it took.
  Screenshot shot;
  for (int i = 0; i < 240; ++i) {
    shot = TakeScreenshot(RECT{origin.x, origin.y, origin.x + 900, origin.y + 600});
    if (!shot.pixels.empty() && shot.At(middle.x, middle.y) == kPageColour) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  const std::string png = Env("BRISGOL_BUILD_DIR") + "/tests/program_portal.png";
  std::system(("import -silent -window root -crop 900x600+" + std::to_string(origin.x) + "+" +
               std::to_string(origin.y) + " " + png + " 2>/dev/null")
                  .c_str());
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(shot.At(middle.x, middle.y), kPageColour) << "the portal's page inside IeWeb; see " << png;
  EXPECT_EQ(shot.At(portal.left + 4, portal.bottom - 4), kPageColour) << "the page fills the rectangle";
  EXPECT_EQ(shot.At(portal.right - 4, portal.top + 60), kPageColour);
  EXPECT_NE(shot.At(origin.x + 450, origin.y + 20), kPageColour) << "the caption is the skin's";
  EXPECT_NE(shot.At(origin.x + 450, origin.y + 588), kPageColour) << "the status strip is the skin's";
  EXPECT_NE(shot.At(middle.x, middle.y), kSkinPortalColour);

  // The engine's web and network processes run beside the program.
  pid_t pid = 0;
  for (const auto& [child, name] : ChildrenOf(getpid()))
    if (name == "brisgol") pid = child;
  ASSERT_GT(pid, 0);
  const std::map<pid_t, std::string> engine = ChildrenOf(pid);
  EXPECT_FALSE(engine.empty());

  // The page's close button: the program ends, with nothing left behind.
  ASSERT_TRUE(Xdotool("mousemove " + std::to_string(origin.x + kCloseButton.x) + " " +
                      std::to_string(origin.y + kCloseButton.y) + " click 1"));
  EXPECT_EQ(program.Wait(std::chrono::seconds(60)), 0) << "window.close() ends the program";
  for (const auto& [child, name] : engine) {
    for (int i = 0; i < 200 && Alive(child); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(Alive(child)) << name << " (" << child << ") left running";
  }
  const std::string log = ReadTestFile(programDir / "log2.log");
  const std::wstring text = log.size() >= 2 ? Utf16LeBytesToWide(log.substr(2)) : std::wstring();
  EXPECT_EQ(text.find(L"门户浏览器"), std::wstring::npos) << "the engine was there";
}

}  // namespace
}  // namespace portaltest
