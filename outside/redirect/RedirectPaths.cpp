#include "outside/redirect/RedirectPaths.h"

#include <cstdlib>

std::string RedirectSocketPath() {
  const char* path = std::getenv("BRISGOL_REDIRECT_SOCKET");
  return path != nullptr && *path != '\0' ? std::string(path) : std::string(kRedirectSocketFile);
}
