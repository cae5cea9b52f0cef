// A real SOCKS5 line server for tests and benchmarks: dante on 127.0.0.1,
// accepting one user with a password (checked against the system's users,
// so it needs root). Runs in the foreground as our child and is ended with
// its owner.
#pragma once

#include "tests/outside/support/ChildProcess.h"

#include <filesystem>
#include <string>

inline constexpr char kLineUser[] = "5190467";
inline constexpr char kLinePassword[] = "WsxRfvYhn738#!&";

// Creates the system user kLineUser with kLinePassword when missing (root
// only). False with a reason otherwise.
bool EnsureLineUser(std::string& why);

class LineServer {
 public:
  // dir: where its configuration and log go.
  explicit LineServer(std::filesystem::path dir) : dir_(std::move(dir)) {}
  ~LineServer() { Stop(); }

  // external: the addresses it opens its outgoing connections from, one
  // per family, separated by commas ("198.18.7.3,2001:db8:7::3");
  // allowUdp false: it refuses UDP ASSOCIATE.
  bool Start(int port, std::string& why, const std::string& external = "127.0.0.1", bool allowUdp = true);
  void Stop();
  int port() const { return port_; }

 private:
  std::filesystem::path dir_;
  ChildProcess process_;
  int port_ = 0;
};
