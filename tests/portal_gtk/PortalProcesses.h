// Processes the portal tests start: the local portal server (the build's
// certificate and the demo pages) and small helpers around them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace portaltest {

std::string Env(const char* name);
// Starts a program (argument vector, no shell); returns its pid or -1.
pid_t Spawn(const std::vector<std::string>& argv);
void EndProcess(pid_t pid);
// Waits until a port on 127.0.0.1 accepts connections.
bool WaitForPort(int port, int timeoutMs);
std::string ReadFile(const std::string& path);
// The demo portal over TLS with the build's portal certificate, on
// bind:port; the pid, or -1.
pid_t StartPortalServer(const std::string& bind, int port);

}  // namespace portaltest
