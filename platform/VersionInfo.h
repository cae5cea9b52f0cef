// Version information of files and of the running system.
//
// A file's version block is the text "FILEVERSION a.b.c.d" stored in it
// (our executables carry it as a resource and as that text; the system
// files under the Windows directory are small text files that hold it).
#pragma once

#include "platform/Types.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature = 0xFEEF04BD;
  DWORD dwStrucVersion = 0x00010000;
  DWORD dwFileVersionMS = 0;
  DWORD dwFileVersionLS = 0;
  DWORD dwProductVersionMS = 0;
  DWORD dwProductVersionLS = 0;
};

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, DWORD* handle);
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD size, void* data);
// Only the root block "\\" is known: it yields a VS_FIXEDFILEINFO.
BOOL VerQueryValueW(const void* block, LPCWSTR subBlock, void** buffer, UINT* length);

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize = 0;
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  wchar_t szCSDVersion[128] = {};
  WORD wServicePackMajor = 0;
  WORD wServicePackMinor = 0;
  WORD wSuiteMask = 0;
  BYTE wProductType = 0;
  BYTE wReserved = 0;
};
// dwOSVersionInfoSize must be 284 (the extended record). A Linux host
// answers as a Windows 10 equivalent (10.0), unless the machine root's
// "machine.ini" ([version] major=, minor=) says otherwise.
BOOL GetVersionExW(OSVERSIONINFOEXW* info);

// IsWow64Process as exported by "kernel32": true when the machine's word
// size is 64 bits (the system is a 32-bit program), unless "machine.ini"
// says [machine] word_size=32. A "machine.ini" with [kernel32]
// IsWow64Process=0 makes the procedure missing from kernel32.
BOOL IsWow64Process(HANDLE process, BOOL* wow64);
HANDLE GetCurrentProcess();
