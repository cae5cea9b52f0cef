#include "tests/outside/support/GameScripts.h"

#include <unistd.h>

#include <cstdlib>

std::string PythonProgram() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

std::string GameScript(const std::string& name) {
  return std::string(std::getenv("BRISGOL_SOURCE_DIR")) + "/tests/tkCore/" + name;
}

std::string GameClientCommand(const std::string& protocol, const std::string& address, int port,
                              const std::string& text) {
  return PythonProgram() + " " + GameScript("game_client.py") + " " + protocol + " " + address + " " +
         std::to_string(port) + " " + text;
}
