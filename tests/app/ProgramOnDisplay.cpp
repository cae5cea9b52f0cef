#include "tests/app/ProgramOnDisplay.h"

#include "tests/platform_gtk/DisplayProbe.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

std::string CommandOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) text += buffer;
    pclose(pipe);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools)
    if (std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) != 0) return tool;
  return {};
}

WindowBox BoxOf(const std::string& windowId) {
  std::map<std::string, int> values;
  std::istringstream lines(CommandOutput("xdotool getwindowgeometry --shell " + windowId + " 2>/dev/null"));
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
  }
  return WindowBox{values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

std::vector<std::string> ShownProgramWindows() {
  std::vector<std::string> ids;
  std::istringstream lines(CommandOutput("xdotool search --onlyvisible --name '^Brisgol加速器插件$' 2>/dev/null"));
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty()) ids.push_back(line);
  return ids;
}

std::string WaitForShownWindow(int width, int height, std::chrono::milliseconds timeout) {
  std::string found;
  WaitUntil(
      [&] {
        for (const std::string& id : ShownProgramWindows()) {
          WindowBox box = BoxOf(id);
          if (box.width == width && box.height == height) {
            found = id;
            return true;
          }
        }
        return false;
      },
      timeout);
  return found;
}

namespace {

// The shown override-redirect children of the root window near the point.
std::string PopupNear(Display* display, int x, int y) {
  Window root = DefaultRootWindow(display);
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::string found;
  if (XQueryTree(display, root, &root, &parent, &children, &count) == 0) return found;
  for (unsigned i = 0; i < count && found.empty(); ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(display, children[i], &a) == 0) continue;
    if (a.map_state == IsViewable && a.override_redirect && std::abs(a.x - x) <= 40 && std::abs(a.y - y) <= 40)
      found = std::to_string(children[i]);
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

std::string WaitForPopupNear(int x, int y, std::chrono::milliseconds timeout) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return {};
  std::string found;
  WaitUntil(
      [&] {
        found = PopupNear(display, x, y);
        return !found.empty();
      },
      timeout);
  XCloseDisplay(display);
  return found;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  return true;
}

int DarkTextLines(int x, int y, int width, int height) {
  Screenshot shot = TakeScreenshot(RECT{x, y, x + width, y + height});
  if (shot.pixels.empty()) return -1;
  int lines = 0;
  bool inLine = false;
  for (int row = 0; row < shot.height; ++row) {
    bool dark = false;
    for (int column = 0; column < shot.width && !dark; ++column) {
      const std::uint32_t p = shot.pixels[static_cast<size_t>(row) * shot.width + column];
      dark = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 110;
    }
    if (dark && !inLine) ++lines;
    inLine = dark;
  }
  return lines;
}

std::vector<pid_t> ProcessesUnder(const std::filesystem::path& dir) {
  std::vector<pid_t> found;
  const std::string prefix = std::filesystem::weakly_canonical(dir).string() + "/";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code readError;
    const std::string exe = std::filesystem::read_symlink(entry.path() / "exe", readError).string();
    if (!readError && exe.rfind(prefix, 0) == 0) found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}
