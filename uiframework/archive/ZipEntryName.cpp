#include "uiframework/archive/ZipEntryName.h"

namespace SkinUI {

std::string NormalizeLookupName(const std::string& name) {
  std::string result;
  result.reserve(name.size());
  for (char ch : name) {
    if (ch == '\\') ch = '/';
    if (ch == '/' && (result.empty() || result.back() == '/')) continue;
    result += ch;
  }
  return result;
}

std::wstring SanitizeEntryName(const std::wstring& stored) {
  size_t cursor = 0;
  static const wchar_t* const kParentSteps[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
  for (;;) {
    if (cursor < stored.size() && cursor + 1 < stored.size() && stored[cursor + 1] == L':') {
      cursor += 2;
    } else if (cursor < stored.size() && (stored[cursor] == L'\\' || stored[cursor] == L'/')) {
      ++cursor;
    } else {
      size_t found = std::wstring::npos;
      for (const wchar_t* step : kParentSteps) {
        found = stored.find(step, cursor);
        if (found != std::wstring::npos) break;
      }
      if (found == std::wstring::npos) break;
      cursor = found + 4;
    }
  }
  return stored.substr(cursor, 260);
}

bool PathEscapesBase(const std::wstring& path) {
  if (path.empty()) return true;
  if (path[0] == L'/' || path[0] == L'\\') return true;
  if (path.size() > 1 && path[1] == L':') return true;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"/\\", start);
    if (end == std::wstring::npos) end = path.size();
    if (path.compare(start, end - start, L"..") == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace SkinUI
