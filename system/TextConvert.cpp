#include "system/TextConvert.h"

#include "platform/CodePage.h"

namespace {

// Both passes convert up to the first zero, so an embedded zero cuts the
// text instead of leaving garbage behind it.
std::string FromWide(UINT codePage, const std::wstring& text) {
  int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

std::wstring ToWide(UINT codePage, const std::string& text) {
  int size = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, text.c_str(), -1, out.data(), size);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) { return FromWide(CP_ACP, text); }
std::wstring AnsiToWide(const std::string& text) { return ToWide(CP_ACP, text); }
std::wstring Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text); }
std::string WideToUtf8(const std::wstring& text) { return FromWide(CP_UTF8, text); }

void SplitWideText(const std::wstring& text, const std::wstring& separator, std::vector<std::wstring>& pieces) {
  pieces.clear();
  if (separator.empty()) {
    if (!text.empty()) pieces.push_back(text);
    return;
  }
  size_t position = 0;
  for (size_t found = text.find(separator); found != std::wstring::npos; found = text.find(separator, position)) {
    pieces.push_back(text.substr(position, found - position));
    position = found + separator.size();
  }
  if (position < text.size()) pieces.push_back(text.substr(position));
}
