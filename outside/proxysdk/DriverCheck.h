// Checks a driver file named by the caller before it is installed.
#pragma once

#include "outside/drivers/DriverFile.h"

#include <string>

// The native form of a path given to the library ("\\" separators allowed).
std::string DriverNativePath(const char* path);

// True when nativePath names an existing, well-formed driver file of the given
// kind and bitness that loads (info then holds what it says); false with a
// reason otherwise.
bool CheckDriverFile(const std::string& nativePath, DriverKind kind, int bits, DriverFileInfo& info,
                     std::string& error);
