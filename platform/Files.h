// Files and directories, over the file-system border of NativePath.h.
#pragma once

#include "platform/Types.h"

#include <cstdio>

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes = 0;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes = 0;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  wchar_t cFileName[MAX_PATH] = {};
};

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard };

DWORD GetFileAttributesW(LPCWSTR path);
BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, WIN32_FILE_ATTRIBUTE_DATA* data);
BOOL PathIsDirectoryW(LPCWSTR path);
BOOL CreateDirectoryW(LPCWSTR path, void* securityAttributes);
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL DeleteFileW(LPCWSTR path);
BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL failIfExists);

// FindFirstFileW on a path without wildcards: the entry itself. Wildcards
// ("*", "?") in the last part list the matching entries of the directory.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE find);

// The C runtime's wide fopen: mode as for fopen ("r", "rb", "ab+", ...).
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);

// The Windows directory of the layer: <machine root>/Windows. Returns the
// length copied (without terminator), or the size needed when the buffer is
// too small, 0 on failure.
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
