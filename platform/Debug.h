// Debug output: what a Windows program sends to an attached debugger.
//
// By default nothing listens, as with no debugger attached. The environment
// variable BRISGOL_DEBUG_OUTPUT names a file to append the texts to (UTF-8),
// or "stderr". A process may also install a listener (the tests do).
#pragma once

#include <functional>
#include <string>

void OutputDebugStringW(const wchar_t* text);
void OutputDebugStringA(const char* text);

using DebugListener = std::function<void(const std::wstring& text)>;
// Installs (or, with an empty function, removes) the process's listener.
void SetDebugListener(DebugListener listener);
