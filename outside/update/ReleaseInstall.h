// Installing a release: download, digest check, replacement of the
// executable, restart.
#pragma once

#include "outside/update/UpdateRequest.h"

#include <string>

// Downloads request.updateUrl next to directory/exeName, and only when its
// MD5 digest equals request.updateMd5 (either letter case) renames it over
// the executable, keeping the old file's permission bits (0755 when there
// was none). Anything else leaves the directory as it was; error says why.
bool InstallRelease(const UpdateRequest& request, const std::string& directory, std::string& error);

// Starts the program with no arguments in its own directory, detached from
// this process. False when it cannot be started.
bool StartProgram(const std::string& path, std::string& error);
