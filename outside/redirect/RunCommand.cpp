#include "outside/redirect/RunCommand.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

std::string Locate(const std::string& program) {
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    const std::string path = dir + program;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return program;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

bool RunCommand(const std::string& program, const std::vector<std::string>& arguments, const std::string& input,
                std::string& error) {
  int in[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  const std::string path = Locate(program);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(err[1]);
  if (spawned == 0) WriteAll(in[1], input);
  close(in[1]);
  std::string output;
  char buffer[512];
  for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    if (output.size() < 4096) output.append(buffer, static_cast<std::size_t>(n));
  }
  close(err[0]);
  if (spawned != 0) {
    error = "cannot run " + program + ": " + std::strerror(spawned);
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  error = program + " failed: " + output.substr(0, output.find('\n'));
  return false;
}
