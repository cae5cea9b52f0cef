// The game client and server scripts of the redirection tests
// (tests/tkCore/game_client.py, game_server.py) and how to run them.
#pragma once

#include <string>

// The system's interpreter: wrappers found first on PATH (pyenv's shims)
// can take seconds to start.
std::string PythonProgram();
// The path of one of the scripts.
std::string GameScript(const std::string& name);
// "python3 .../game_client.py PROTOCOL ADDRESS PORT TEXT".
std::string GameClientCommand(const std::string& protocol, const std::string& address, int port,
                              const std::string& text = "hello");
