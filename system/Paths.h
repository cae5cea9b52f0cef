// Path and file functions, and the program directory.
#pragma once

#include "platform/Types.h"

#include <string>
#include <vector>

// The directory of the running executable, ending in a separator. Set once
// by start-up before the first log record.
extern std::wstring g_programDir;

// Drive and directory of the module's file name, ending in a separator.
std::wstring GetModuleDirectory(HMODULE module);
// Name and extension of path, without drive and directory.
std::wstring GetFileNameOfPath(const std::wstring& path);
// The part after the last "/" or "\\", or the whole path.
std::wstring GetPathTail(const std::wstring& path);
bool PathExists(const wchar_t* path);
inline bool PathExists(const std::wstring& path) { return PathExists(path.c_str()); }
// Creates path and every missing parent; true when it is a directory after.
bool CreateDirectoryTree(const std::wstring& path);

// The file's bytes up to the first zero byte; empty when it cannot be read.
// Files larger than kMaxReadFileBytes are refused (empty result).
std::string ReadFileToString(const std::wstring& path);
constexpr std::uint64_t kMaxReadFileBytes = 16u * 1024 * 1024;

// Splits 8-bit text at separator (see the rules in Paths.cpp).
void SplitText(const std::string& text, const std::string& separator, std::vector<std::string>& pieces);
