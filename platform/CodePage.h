// MultiByteToWideChar / WideCharToMultiByte of the layer.
//
// The "ANSI code page" of the Windows design is the locale's code page of a
// Linux system, which is UTF-8: CP_ACP and CP_UTF8 both convert UTF-8, so
// paths handed on stay valid file names. Invalid input is replaced by
// U+FFFD, as Windows does without MB_ERR_INVALID_CHARS.
//
// Wide text is wchar_t (UTF-32 on this host). UTF16 helpers serve the
// borders that store UTF-16 code units (the log file).
#pragma once

#include "platform/Types.h"

#include <string>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Win32 semantics: cbMultiByte / cchWideChar of -1 means "up to and
// including the terminator"; a destination size of 0 asks for the size.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceBytes,
                        wchar_t* dest, int destChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* source, int sourceChars,
                        char* dest, int destBytes, const char* defaultChar, BOOL* usedDefault);
UINT GetACP();

// UTF-8 <-> wide without the two-pass interface, for the layer's own use.
std::wstring Utf8ToWideString(const std::string& text);
std::string WideToUtf8String(const std::wstring& text);

// Wide text as UTF-16LE bytes (non-BMP characters become surrogate pairs;
// values that are no Unicode scalar become U+FFFD).
std::string WideToUtf16LeBytes(const wchar_t* text, size_t count);
std::wstring Utf16LeBytesToWide(const std::string& bytes);
