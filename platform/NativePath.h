// The file-system border: Windows-style wide paths of the system become
// native byte paths here and back.
//
// Both "\\" and "/" separate path parts; every "\\" becomes "/". A drive
// prefix ("C:") is not meaningful on this host and is kept as written.
#pragma once

#include <string>

std::string ToNativePath(const std::wstring& path);
std::string ToNativePath(const wchar_t* path);
std::wstring FromNativePath(const std::string& path);

// The longest wide path the layer accepts; longer paths fail with
// ERROR_FILENAME_EXCED_RANGE instead of reaching the file system.
constexpr size_t kMaxWidePath = 32767;
