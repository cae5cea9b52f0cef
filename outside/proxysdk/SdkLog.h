// What went wrong in the library and what to do, in the log of the
// program directory it lies in ("log2.log").
#pragma once

#include <string>

void LogFailure(const char* file, int line, const std::string& text);
