// The program on an X display (run under Xvfb): the main window appears
// centred with the skin's structure, the close command (Alt+F4) hides it
// while the process stays, and the session's SIGTERM ends it cleanly.
// Uses xdotool for the window and ImageMagick for the screenshot.
#include "platform/CodePage.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) text += buffer;
    pclose(pipe);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The X window of the main window once it is shown; empty when none.
std::string ShownWindow(int tries = 200) {
  for (int i = 0; i < tries; ++i) {
    std::string id = Output("xdotool search --onlyvisible --name 'Brisgol加速器插件' 2>/dev/null | head -n 1");
    if (!id.empty()) return id;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}

std::map<std::string, int> Geometry(const std::string& id) {
  std::map<std::string, int> values;
  std::istringstream lines(Output("xdotool getwindowgeometry --shell " + id));
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
  }
  return values;
}

struct Rgb {
  int r = -1, g = -1, b = -1;
};

Rgb Pixel(const std::string& png, int x, int y) {
  std::string text = Output("convert '" + png + "' -format '%[fx:int(255*p{" + std::to_string(x) + "," +
                            std::to_string(y) + "}.r)] %[fx:int(255*p{" + std::to_string(x) + "," +
                            std::to_string(y) + "}.g)] %[fx:int(255*p{" + std::to_string(x) + "," +
                            std::to_string(y) + "}.b)]' info:-");
  Rgb rgb;
  std::istringstream(text) >> rgb.r >> rgb.g >> rgb.b;
  return rgb;
}

class MainWindowXvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under Xvfb)";
    programDir = root.Dir("program");
    std::filesystem::copy_file(std::filesystem::path(std::getenv("BRISGOL_BUILD_DIR")) / "bin/brisgol",
                               programDir / "brisgol");
  }
  std::wstring Log() {
    std::string bytes = ReadTestFile(programDir / "log2.log");
    return bytes.size() >= 2 ? Utf16LeBytesToWide(bytes.substr(2)) : std::wstring();
  }

  TempMachineRoot root;
  SilentConfigServer configServer;
  std::filesystem::path programDir;
};

TEST_F(MainWindowXvfbTest, TheWindowShowsCentredWithTheSkinsShapeHidesOnAltF4AndEndsOnSigterm) {
  RunningProgram program(programDir / "brisgol");
  ASSERT_TRUE(program.Started());
  std::string id = ShownWindow();
  ASSERT_FALSE(id.empty()) << "no shown main window";
  auto geometry = Geometry(id);
  EXPECT_EQ(geometry["WIDTH"], 900);
  EXPECT_EQ(geometry["HEIGHT"], 600);
  EXPECT_EQ(geometry["X"], (1280 - 900) / 2) << "centred on the work area";
  EXPECT_EQ(geometry["Y"], (800 - 600) / 2);

  // The screenshot is kept beside the test program for people to look at.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  std::string shot = std::string(std::getenv("BRISGOL_BUILD_DIR")) + "/tests/main_window_xvfb.png";
  ASSERT_EQ(std::system(("import -window root '" + shot + "'").c_str()), 0);
  const int x = geometry["X"], y = geometry["Y"];
  Rgb corner = Pixel(shot, x, y);
  EXPECT_EQ(corner.r + corner.g + corner.b, 0) << "the rounded corner shows the black root window";
  Rgb caption = Pixel(shot, x + 450, y + 20);
  Rgb portal = Pixel(shot, x + 450, y + 250);
  Rgb status = Pixel(shot, x + 450, y + 588);
  EXPECT_GT(caption.b, caption.r) << "the caption is the skin's dark blue";
  EXPECT_LT(caption.r + caption.g + caption.b, 200);
  EXPECT_NEAR(portal.r, 0x0B, 6) << "the portal area's background";
  EXPECT_NEAR(portal.g, 0x11, 6);
  EXPECT_NEAR(portal.b, 0x1E, 6);
  EXPECT_NE(status.r + status.g + status.b, portal.r + portal.g + portal.b) << "the status strip is drawn apart";

  // Alt+F4 is the close command: the window hides, the program stays.
  std::system(("xdotool windowfocus --sync " + id + " key alt+F4").c_str());
  for (int i = 0; i < 100 && !ShownWindow(1).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(ShownWindow(1).empty()) << "hidden by Alt+F4";
  EXPECT_EQ(program.Wait(std::chrono::milliseconds(300)), -1) << "still running";

  ASSERT_TRUE(program.Signal(SIGTERM));
  EXPECT_EQ(program.Wait(), 0);
  EXPECT_NE(Log().find(L"收到结束信号 15"), std::wstring::npos);
}

}  // namespace
