// Operating-system and browser-engine probes.
//
// On this host the answers come from the platform layer: the Windows
// version is the file version of <Windows directory>/System32/ntdll.dll
// when that file carries one, else GetVersionExW's numbers (a Linux host
// counts as Windows 10, so as "Windows 8 or later"); IsWow64 follows the
// machine's word size (a 64-bit machine runs this 32-bit-designed program
// "under WOW64"); the browser engine version is that of mshtml.dll in the
// same folder, 0 when it is missing.
#pragma once

#include "platform/Registry.h"

#include <string>

void GetNtdllVersion(int& major, int& minor);
bool IsWindows8OrLater();
bool IsPreVistaSystem();
bool IsWow64();
int GetMshtmlMajorVersion();

// Stores value (REG_DWORD) under the executable's file name in the
// browser-emulation keys of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
void SetBrowserEmulation(DWORD value);
bool WriteRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName, DWORD type,
                        const void* data, DWORD size);

// 1 running, -1 no service manager, -2 access denied, -3 no such service,
// -4 other open failure, -5 status query failed, -6 installed, not running.
int QueryServiceState(const char* name);

// The registry keys the emulation value is written under.
extern const wchar_t* const kEmulationKeyUser;
extern const wchar_t* const kEmulationKeyMachine;
