// Whether only root can change a program: what may be started with a
// privilege prompt (anything an ordinary user could replace would run as
// root the moment the administrator answers it).
#pragma once

#include <string>

// True when path, after resolving symbolic links, and every directory
// above it are owned by root and writable by nobody else (a root-owned
// sticky directory, such as /tmp, may be writable by others: nobody else
// can rename or remove what root put in it). False with why otherwise.
bool OnlyRootCanChange(const std::string& path, std::string& why);
