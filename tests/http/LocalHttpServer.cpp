#include "tests/http/LocalHttpServer.h"

#include "http/CurlTransport.h"
#include "http/HttpClient.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern char** environ;

LocalHttpServer::LocalHttpServer(const std::filesystem::path& root) {
  int toServer[2], fromServer[2];
  if (pipe(toServer) != 0) return;
  if (pipe(fromServer) != 0) {
    close(toServer[0]);
    close(toServer[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toServer[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromServer[1], 1);
  posix_spawn_file_actions_addclose(&actions, toServer[1]);
  posix_spawn_file_actions_addclose(&actions, fromServer[0]);
  std::string script = BRISGOL_TEST_SERVER_SCRIPT;
  std::string rootText = root.string();
  char* argv[] = {const_cast<char*>("python3"), script.data(), const_cast<char*>("--root"), rootText.data(), nullptr};
  int result = posix_spawnp(&pid_, "python3", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toServer[0]);
  close(fromServer[1]);
  if (result != 0) {
    pid_ = -1;
    close(toServer[1]);
    close(fromServer[0]);
    return;
  }
  stdinFd_ = toServer[1];
  // The first line is the port.
  std::string line;
  char c;
  while (read(fromServer[0], &c, 1) == 1 && c != '\n') line.push_back(c);
  close(fromServer[0]);
  port_ = std::atoi(line.c_str());
}

LocalHttpServer::~LocalHttpServer() {
  if (stdinFd_ >= 0) close(stdinFd_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

std::string LocalHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int LocalHttpServer::RequestCount() const {
  CCurlTransports transports;
  CHttpClient client(transports);
  std::string body;
  if (!client.InitLibCurl(nullptr) || client.Request(Url("/count"), kHttpGet, body, nullptr, L"") != 200) return -1;
  return std::atoi(body.c_str());
}
