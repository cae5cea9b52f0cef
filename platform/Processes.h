// Processes: snapshots, opening and ending, creation with redirected
// standard handles, anonymous pipes.
//
// The image name of a process is the file name of its executable, so a
// program installed as "local.exe" is found by that name whatever it is
// built from.
#pragma once

#include "platform/Kernel.h"

constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;
constexpr DWORD PROCESS_TERMINATE = 0x0001;
constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD STILL_ACTIVE = 259;

constexpr DWORD CREATE_NO_WINDOW = 0x08000000;
constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
constexpr DWORD STARTF_USESTDHANDLES = 0x00000100;

struct PROCESSENTRY32W {
  DWORD dwSize = sizeof(PROCESSENTRY32W);
  DWORD th32ProcessID = 0;
  DWORD th32ParentProcessID = 0;
  wchar_t szExeFile[MAX_PATH] = {};
};

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
BOOL Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry);
BOOL Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry);

HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
// Ends the process at once (SIGKILL). The exit code is recorded only for
// children of this process that the layer started.
BOOL TerminateProcess(HANDLE process, UINT exitCode);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
DWORD GetCurrentProcessId();
DWORD GetProcessId(HANDLE process);

struct SECURITY_ATTRIBUTES;

struct STARTUPINFOW {
  DWORD cb = sizeof(STARTUPINFOW);
  DWORD dwFlags = 0;
  WORD wShowWindow = 0;
  HANDLE hStdInput = nullptr;
  HANDLE hStdOutput = nullptr;
  HANDLE hStdError = nullptr;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

void GetStartupInfoW(STARTUPINFOW* info);

// Starts a program. With an application name, that executable runs and the
// command line's arguments (split by the Windows rules) follow it. Without
// one, the command line's first argument names the program, looked up on
// PATH. STARTF_USESTDHANDLES with handle inheritance connects the given
// pipe ends as standard input, output and error. The child's own
// descriptors are never leaked to it otherwise.
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    void* environment, LPCWSTR currentDirectory, STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation);

// Anonymous pipes.
BOOL CreatePipe(HANDLE* readPipe, HANDLE* writePipe, SECURITY_ATTRIBUTES* attributes, DWORD size);
BOOL PeekNamedPipe(HANDLE pipe, void* buffer, DWORD bufferSize, DWORD* bytesRead, DWORD* totalBytesAvail,
                   DWORD* bytesLeftThisMessage);
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten, void* overlapped);

// Splits a command line by the rules of CommandLineToArgvW.
#include <string>
#include <vector>
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);
