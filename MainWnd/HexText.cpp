#include "MainWnd/HexText.h"

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<unsigned char> DecodeHexText(const std::string& text) {
  std::vector<unsigned char> bytes;
  bytes.reserve((text.size() + 1) / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigitValue(text[i]);
    if (high < 0) {
      bytes.push_back(0);
      continue;
    }
    int low = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
    bytes.push_back(static_cast<unsigned char>(low < 0 ? high : high * 16 + low));
  }
  return bytes;
}
