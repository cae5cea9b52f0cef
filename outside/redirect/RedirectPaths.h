// Names the redirection service, its clients and the launcher share.
#pragma once

#include <string>

// The service's program, beside the redirection library.
inline constexpr char kRedirectServiceName[] = "brisgol-redirectd";
// The group whose sockets are redirected where no cgroup v2 hierarchy
// exists; brisgol-run then runs programs with it.
inline constexpr char kLauncherGroup[] = "brisgolrun";
// The folder of the service's socket, lock and log files (root's).
inline constexpr char kRedirectRunDir[] = "/run/brisgol";
// The one socket of the service, for every user.
inline constexpr char kRedirectSocketFile[] = "/run/brisgol/redirect.sock";
// Held (flock) by the running service; holds its process id.
inline constexpr char kRedirectLockFile[] = "/run/brisgol/redirect.pid";
// What the service did, when it is not started by systemd.
inline constexpr char kRedirectLogFile[] = "/run/brisgol/redirect.log";

// The socket clients connect to: kRedirectSocketFile, or the path in
// BRISGOL_REDIRECT_SOCKET when that is set (tests run a stand-in service
// there).
std::string RedirectSocketPath();
