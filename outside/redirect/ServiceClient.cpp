#include "outside/redirect/ServiceClient.h"

#include "outside/redirect/DescriptorPassing.h"
#include "outside/redirect/RedirectPaths.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kAnswerTimeoutMs = 2000;

}  // namespace

bool AskRedirectService(const RedirectRequest& request, std::string& error, int* socketOut, std::string* details) {
  if (socketOut != nullptr) *socketOut = -1;
  if (request.AnswerCarriesSocket() && socketOut == nullptr) {
    error = "the answer's socket has nowhere to go";
    return false;
  }
  const std::string path = RedirectSocketPath();
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) {
    error = "the service's socket path is too long: " + path;
    return false;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    error = std::string(kServiceNotRunning) + " (" + path + ": " + std::strerror(errno) + ")";
    if (fd >= 0) close(fd);
    return false;
  }
  std::string answer;
  int received = -1;
  if (SendWithDescriptor(fd, FormatRedirectRequest(request), -1)) {
    ReceiveLineWithDescriptor(fd, kMaxAnswerBytes, kAnswerTimeoutMs, answer, received);
  }
  close(fd);
  std::string text;
  if (!ParseAnswer(answer, text)) {
    error = text;
    if (received >= 0) close(received);
    return false;
  }
  if (details != nullptr) *details = text;
  if (!request.AnswerCarriesSocket()) {
    if (received >= 0) close(received);
    return true;
  }
  if (received < 0) {
    error = "the redirection service answered without the socket";
    return false;
  }
  *socketOut = received;
  return true;
}
