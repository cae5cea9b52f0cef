// Runs a piece of a test in a forked child process (to change what only a
// process can change: its network namespace, its user, or to end with
// state left behind) and brings back what failed.
#pragma once

#include <functional>
#include <string>

// Runs body in a child; body returns "" when it passed, else what failed.
// The result is body's, or "the child died" when it returned nothing.
std::string RunInChild(const std::function<std::string()>& body);
