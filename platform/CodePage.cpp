#include "platform/CodePage.h"

#include "platform/LastError.h"

#include <cstring>
#include <cwchar>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

// Decodes one UTF-8 sequence at s[0..n). Invalid input yields U+FFFD and
// consumes the maximal invalid prefix (at least one byte).
char32_t DecodeOne(const unsigned char* s, size_t n, size_t& used) {
  unsigned char b = s[0];
  used = 1;
  if (b < 0x80) return b;
  int extra;
  char32_t c;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2;
    c = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3;
    c = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    if (static_cast<size_t>(i) >= n) return kReplacement;
    unsigned char t = s[i];
    if (t < lo || t > hi) return kReplacement;
    lo = 0x80;
    hi = 0xBF;
    c = (c << 6) | (t & 0x3F);
    used = static_cast<size_t>(i) + 1;
  }
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (!IsScalar(c)) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::wstring DecodeUtf8(const char* s, size_t n) {
  std::wstring out;
  out.reserve(n);
  auto* u = reinterpret_cast<const unsigned char*>(s);
  size_t i = 0;
  while (i < n) {
    size_t used = 1;
    out += static_cast<wchar_t>(DecodeOne(u + i, n - i, used));
    i += used;
  }
  return out;
}

std::string EncodeUtf8(const wchar_t* s, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) AppendUtf8(out, static_cast<char32_t>(s[i]));
  return out;
}

bool SupportedCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

}  // namespace

UINT GetACP() { return CP_UTF8; }

int MultiByteToWideChar(UINT codePage, DWORD, const char* source, int sourceBytes, wchar_t* dest, int destChars) {
  if (!SupportedCodePage(codePage) || !source || sourceBytes == 0 || sourceBytes < -1 || destChars < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceBytes);
  std::wstring wide = DecodeUtf8(source, length);
  if (destChars == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(destChars)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wmemcpy(dest, wide.data(), wide.size());
  return static_cast<int>(wide.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, const wchar_t* source, int sourceChars, char* dest, int destBytes,
                        const char*, BOOL* usedDefault) {
  if (!SupportedCodePage(codePage) || !source || sourceChars == 0 || sourceChars < -1 || destBytes < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (usedDefault) *usedDefault = FALSE;
  size_t length = sourceChars == -1 ? std::wcslen(source) + 1 : static_cast<size_t>(sourceChars);
  std::string narrow = EncodeUtf8(source, length);
  if (destBytes == 0) return static_cast<int>(narrow.size());
  if (narrow.size() > static_cast<size_t>(destBytes)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dest, narrow.data(), narrow.size());
  return static_cast<int>(narrow.size());
}

std::wstring Utf8ToWideString(const std::string& text) { return DecodeUtf8(text.data(), text.size()); }

std::string WideToUtf8String(const std::wstring& text) { return EncodeUtf8(text.data(), text.size()); }

std::string WideToUtf16LeBytes(const wchar_t* text, size_t count) {
  std::string out;
  out.reserve(count * 2);
  auto unit = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (size_t i = 0; i < count; ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (!IsScalar(c)) c = kReplacement;
    if (c >= 0x10000) {
      c -= 0x10000;
      unit(0xD800 + (c >> 10));
      unit(0xDC00 + (c & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

std::wstring Utf16LeBytesToWide(const std::string& bytes) {
  std::wstring out;
  size_t units = bytes.size() / 2;
  out.reserve(units);
  auto at = [&bytes](size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    char32_t u = at(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && at(i + 1) >= 0xDC00 && at(i + 1) <= 0xDFFF) {
      out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (at(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out += static_cast<wchar_t>(kReplacement);
    } else {
      out += static_cast<wchar_t>(u);
    }
  }
  return out;
}
