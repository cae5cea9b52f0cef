#include "platform/WinMain.h"

#include "platform/CodePage.h"
#include "platform/Module.h"

#include <clocale>
#include <csignal>
#include <string>

int main(int argc, char** argv) {
  // Writes to a closed pipe or socket fail with an error instead of ending
  // the process, as on Windows.
  std::signal(SIGPIPE, SIG_IGN);
  std::setlocale(LC_ALL, "");
  // The command line without the program name, as wWinMain receives it.
  std::wstring commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += L' ';
    commandLine += Utf8ToWideString(argv[i]);
  }
  return wWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
