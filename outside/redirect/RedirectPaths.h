// Names the redirection service, its clients and the launcher share.
#pragma once

#include <sys/types.h>

#include <string>

// The service's program, beside the redirection library.
inline constexpr char kRedirectServiceName[] = "brisgol-redirectd";
// The group whose sockets are redirected; brisgol-run runs programs with it.
inline constexpr char kLauncherGroup[] = "brisgolrun";
// The folder of the services' sockets, lock and log files (root's).
inline constexpr char kRedirectRunDir[] = "/run/brisgol";

// The socket of the service serving user uid: one service per user.
std::string RedirectSocketPath(uid_t uid);
// Held (flock) by the running service; holds its process id.
std::string RedirectLockPath(uid_t uid);
std::string RedirectLogPath(uid_t uid);
