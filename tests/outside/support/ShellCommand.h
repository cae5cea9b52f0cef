// Shell commands a test runs on the machine (ip, nft, a program as another
// user).
#pragma once

#include <string>

// What the command printed on standard output.
std::string ShellOutput(const std::string& command);
// True when the command succeeded; its output is dropped.
bool ShellSucceeds(const std::string& command);
