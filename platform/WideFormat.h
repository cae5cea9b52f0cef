// Printf-style formatting of wide text with the Windows meanings of the
// conversions:
//   %s  wide string (wchar_t*)        %S  narrow string (char*) in a wide format
//   %c  wide character                %C  narrow character
//   %hs / %ls force narrow / wide; %d %i %u %x %X %o with h, l, ll, I64, z
//   lengths; %f %e %g %a; %p; %%; flags "-+ #0", width and precision
//   (also "*"). A null string prints "(null)". Narrow strings are read as
//   UTF-8.
//
// Formatting is bounded: at most maxChars characters are produced and the
// rest is cut, never written past a buffer. An unknown conversion is copied
// as written.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

std::wstring FormatWide(size_t maxChars, const wchar_t* format, ...);
std::wstring FormatWideV(size_t maxChars, const wchar_t* format, va_list args);

// swprintf_s-like: writes at most bufferChars - 1 characters and a
// terminator; returns the number written (without the terminator), or -1
// when the buffer is empty or the result was cut.
int FormatWideToBuffer(wchar_t* buffer, size_t bufferChars, const wchar_t* format, ...);
int FormatWideToBufferV(wchar_t* buffer, size_t bufferChars, const wchar_t* format, va_list args);
