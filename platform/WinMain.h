// The program entry of a Windows GUI program. The layer's own main() (in
// the bg_platform_winmain library) prepares the process and calls it.
#pragma once

#include "platform/Types.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);
