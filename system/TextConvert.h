// Text conversions at the borders: wide <-> ANSI code page (UTF-8 on this
// host), wide <-> UTF-8, and splitting wide text at a separator.
#pragma once

#include <string>
#include <vector>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// Pieces between separators; a trailing separator gives no empty last
// piece; an empty separator gives the whole text as the one piece.
void SplitWideText(const std::wstring& text, const std::wstring& separator, std::vector<std::wstring>& pieces);
