// The one directory under which the layer keeps all machine state: the
// registry store, the firewall list, the service table, the Windows
// directory and the named kernel objects.
//
// Default: $XDG_DATA_HOME/brisgol-machine (or ~/.local/share/brisgol-machine).
// The environment variable BRISGOL_ROOT moves it; tests always set it to a
// temporary directory.
#pragma once

#include <string>

// The machine root as a native path without a trailing separator. The
// directory is created on first use.
std::string MachineRoot();

// A native path below the machine root (relative uses "/").
std::string MachinePath(const std::string& relative);
