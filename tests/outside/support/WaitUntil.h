// Waiting for a state of the machine instead of sleeping and hoping.
#pragma once

#include <chrono>
#include <functional>

// Checks condition every 20 ms until it holds (true) or limit has passed
// (false).
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);
