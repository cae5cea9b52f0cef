#include "tests/outside/support/LineServer.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

bool EnsureLineUser(std::string& why) {
  if (geteuid() != 0) {
    why = "the line server (dante) checks system users; creating one needs root";
    return false;
  }
  // Tests run in parallel; the user database takes one writer at a time.
  const std::string user = kLineUser;
  const std::string script = "id -u " + user + " >/dev/null 2>&1 || useradd -M -s /usr/sbin/nologin " + user +
                             " && echo '" + user + ":" + kLinePassword + "' | chpasswd";
  if (std::system(("flock /tmp/brisgol-line-user.lock sh -c \"" + script + "\"").c_str()) != 0) {
    why = "cannot create the user " + user + " or set its password";
    return false;
  }
  return true;
}

bool LineServer::Start(int port, std::string& why, const std::string& external, bool allowUdp) {
  if (!EnsureLineUser(why)) return false;
  std::filesystem::create_directories(dir_);
  const std::string name = "danted-" + std::to_string(port);
  const auto config = dir_ / (name + ".conf");
  std::string externals;
  for (std::size_t start = 0; start <= external.size();) {
    const std::size_t comma = std::min(external.find(',', start), external.size());
    externals += "external: " + external.substr(start, comma - start) + "\n";
    start = comma + 1;
  }
  std::ofstream(config) << "logoutput: " << (dir_ / (name + ".log")).string() << "\n"
                        << "internal: 127.0.0.1 port = " << port << "\n"
                        << externals
                        << "socksmethod: username\n"
                        << "clientmethod: none\n"
                        << "user.privileged: root\n"
                        << "user.unprivileged: nobody\n"
                        << "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  log: error\n}\n";
  for (const char* anywhere : {"0.0.0.0/0", "::/0"}) {
    std::ofstream(config, std::ios::app)
        << "socks pass {\n  from: 127.0.0.0/8 to: " << anywhere << "\n"
        << "  command: connect " << (allowUdp ? "udpassociate bindreply udpreply" : "bindreply")
        << "\n  log: error\n}\n"
        << "socks pass {\n  from: " << anywhere << " to: 127.0.0.0/8\n  command: udpreply\n  log: error\n}\n";
  }
  if (!process_.Start({"danted", "-f", config.string(), "-p", (dir_ / (name + ".pid")).string()},
                      (dir_ / (name + ".out")).string())) {
    why = "cannot run danted (package dante-server)";
    return false;
  }
  if (!WaitForTcpPort(port, std::chrono::seconds(10))) {
    why = "danted did not open 127.0.0.1:" + std::to_string(port) + "; see " + (dir_ / (name + ".log")).string();
    Stop();
    return false;
  }
  port_ = port;
  return true;
}

void LineServer::Stop() { process_.Stop(SIGTERM, std::chrono::seconds(5)); }
