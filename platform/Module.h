// Modules: the running executable and the system modules the code asks
// for by name, with their file names, exported procedures and resources.
#pragma once

#include "platform/Types.h"

// The executable of the process (nullptr asks for it), or a system module
// by name ("kernel32", "kernel32.dll").
HMODULE GetModuleHandleW(LPCWSTR name);

// The module's full path: for the executable, the file it was started from.
// Returns the characters copied without the terminator; when the buffer is
// too small the path is cut, the result equals size and the error is
// ERROR_INSUFFICIENT_BUFFER, as on Windows.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);

// Loads a module (a shared object) by path; null when it cannot be loaded.
// Every successful call must be matched by FreeLibrary.
HMODULE LoadLibraryW(LPCWSTR path);
BOOL FreeLibrary(HMODULE module);

using FARPROC = void (*)();
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// The full path of the module as a string, without any length limit.
#include <string>
std::wstring ModuleFileName(HMODULE module);
