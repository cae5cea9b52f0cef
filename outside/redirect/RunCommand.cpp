#include "outside/redirect/RunCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

constexpr std::size_t kMaxOutputBytes = 1 << 20;
constexpr std::size_t kMaxErrorBytes = 4096;

std::string Locate(const std::string& program) {
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    const std::string path = dir + program;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return program;
}

// Feeds input and collects both outputs at once, so that a tool that
// writes much before it reads all its input cannot stall either side.
void Exchange(int in, int out, int err, const std::string& input, std::string* output, std::string& errors) {
  std::size_t written = 0;
  if (input.empty()) {
    close(in);
    in = -1;
  }
  char buffer[4096];
  while (in >= 0 || out >= 0 || err >= 0) {
    pollfd fds[3] = {{in, POLLOUT, 0}, {out, POLLIN, 0}, {err, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (in >= 0 && fds[0].revents != 0) {
      const ssize_t n = write(in, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == input.size()) {
        close(in);
        in = -1;
      }
    }
    for (int i = 1; i <= 2; ++i) {
      int& fd = i == 1 ? out : err;
      if (fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        close(fd);
        fd = -1;
        continue;
      }
      std::string* sink = i == 1 ? output : &errors;
      const std::size_t limit = i == 1 ? kMaxOutputBytes : kMaxErrorBytes;
      if (sink != nullptr && sink->size() < limit) sink->append(buffer, static_cast<std::size_t>(n));
    }
  }
  for (int fd : {in, out, err})
    if (fd >= 0) close(fd);
}

}  // namespace

bool RunCommand(const std::string& program, const std::vector<std::string>& arguments, const std::string& input,
                std::string& error, std::string* output) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
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
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  const std::string path = Locate(program);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (output != nullptr) output->clear();
  std::string errors;
  if (spawned == 0) {
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    // A tool that ends before it read its input must not end us with
    // SIGPIPE: blocked here, and a pending one taken before unblocking.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    Exchange(in[1], out[0], err[0], input, output, errors);
    const timespec now{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  } else {
    for (int fd : {in[1], out[0], err[0]}) close(fd);
    error = "cannot run " + program + ": " + std::strerror(spawned);
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  error = program + " failed: " + errors.substr(0, errors.find('\n'));
  return false;
}
