#include "tests/http/LogText.h"

#include <fstream>
#include <iterator>

std::wstring ReadLogText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring text;
  size_t start = bytes.size() >= 2 && bytes[0] == '\xff' && bytes[1] == '\xfe' ? 2 : 0;
  for (size_t i = start; i + 1 < bytes.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      char32_t low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}
