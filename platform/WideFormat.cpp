#include "platform/WideFormat.h"

#include "platform/CodePage.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

// Collects output up to a limit; everything past it is dropped.
class BoundedOutput {
 public:
  explicit BoundedOutput(size_t limit) : limit_(limit) {}

  void Put(wchar_t c) {
    if (text_.size() < limit_)
      text_ += c;
    else
      cut_ = true;
  }
  void Put(const wchar_t* s, size_t n) {
    size_t room = limit_ - text_.size();
    if (n > room) {
      n = room;
      cut_ = true;
    }
    text_.append(s, n);
  }
  void Repeat(wchar_t c, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      if (full()) {
        cut_ = true;
        return;
      }
      text_ += c;
    }
  }
  bool full() const { return text_.size() >= limit_; }
  bool cut() const { return cut_; }
  std::wstring& text() { return text_; }

 private:
  size_t limit_;
  bool cut_ = false;
  std::wstring text_;
};

struct Directive {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = -1;
  int precision = -1;
  enum Length { kNone, kHH, kH, kL, kLL, kZ, kJ, kT, kBigL, kW } length = kNone;
  wchar_t conversion = 0;
};

void PutPadded(BoundedOutput& out, const Directive& directive, const wchar_t* body, size_t n) {
  size_t width = directive.width > 0 ? static_cast<size_t>(directive.width) : 0;
  size_t pad = width > n ? width - n : 0;
  if (!directive.left) out.Repeat(L' ', pad);
  out.Put(body, n);
  if (directive.left) out.Repeat(L' ', pad);
}

// Numbers are formatted by the C library from a rebuilt narrow directive.
std::string NarrowSpec(const Directive& directive, const char* length, char conversion) {
  std::string s = "%";
  if (directive.left) s += '-';
  if (directive.plus) s += '+';
  if (directive.space) s += ' ';
  if (directive.alt) s += '#';
  if (directive.zero) s += '0';
  if (directive.width >= 0) s += std::to_string(directive.width);
  if (directive.precision >= 0) s += "." + std::to_string(directive.precision);
  s += length;
  s += conversion;
  return s;
}

template <class T>
void PutNumber(BoundedOutput& out, const Directive& directive, const char* length, char conversion, T value) {
  std::string format = NarrowSpec(directive, length, conversion);
  char small[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::snprintf(small, sizeof small, format.c_str(), value);
  std::string text;
  if (n >= static_cast<int>(sizeof small)) {
    text.resize(static_cast<size_t>(n) + 1);
    std::snprintf(text.data(), text.size(), format.c_str(), value);
    text.resize(static_cast<size_t>(n));
  } else if (n > 0) {
    text.assign(small, static_cast<size_t>(n));
  }
#pragma GCC diagnostic pop
  for (char c : text) out.Put(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

void PutInteger(BoundedOutput& out, const Directive& directive, va_list& args) {
  bool isSigned = directive.conversion == L'd' || directive.conversion == L'i';
  char conv = static_cast<char>(directive.conversion == L'i' ? 'd' : directive.conversion);
  switch (directive.length) {
    case Directive::kLL:
      if (isSigned)
        PutNumber(out, directive, "ll", conv, va_arg(args, long long));
      else
        PutNumber(out, directive, "ll", conv, va_arg(args, unsigned long long));
      break;
    case Directive::kL:
      if (isSigned)
        PutNumber(out, directive, "l", conv, va_arg(args, long));
      else
        PutNumber(out, directive, "l", conv, va_arg(args, unsigned long));
      break;
    case Directive::kZ:
    case Directive::kT:
    case Directive::kJ:
      if (isSigned)
        PutNumber(out, directive, "ll", conv, static_cast<long long>(va_arg(args, std::intptr_t)));
      else
        PutNumber(out, directive, "ll", conv, static_cast<unsigned long long>(va_arg(args, std::uintptr_t)));
      break;
    case Directive::kH:
      if (isSigned)
        PutNumber(out, directive, "", conv, static_cast<int>(static_cast<short>(va_arg(args, int))));
      else
        PutNumber(out, directive, "", conv, static_cast<unsigned>(static_cast<unsigned short>(va_arg(args, unsigned))));
      break;
    case Directive::kHH:
      if (isSigned)
        PutNumber(out, directive, "", conv, static_cast<int>(static_cast<signed char>(va_arg(args, int))));
      else
        PutNumber(out, directive, "", conv, static_cast<unsigned>(static_cast<unsigned char>(va_arg(args, unsigned))));
      break;
    default:
      if (isSigned)
        PutNumber(out, directive, "", conv, va_arg(args, int));
      else
        PutNumber(out, directive, "", conv, va_arg(args, unsigned));
      break;
  }
}

void PutString(BoundedOutput& out, const Directive& directive, va_list& args) {
  // %s is wide unless h is given; %S is narrow unless l or w is given.
  bool narrow = directive.conversion == L'S' ? !(directive.length == Directive::kL || directive.length == Directive::kW)
                                        : directive.length == Directive::kH;
  std::wstring converted;
  const wchar_t* text;
  size_t length;
  if (narrow) {
    const char* s = va_arg(args, const char*);
    if (!s) s = "(null)";
    size_t bytes = std::strlen(s);
    converted = Utf8ToWideString(std::string(s, bytes));
    text = converted.c_str();
    length = converted.size();
  } else {
    text = va_arg(args, const wchar_t*);
    if (!text) text = L"(null)";
    length = std::wcslen(text);
  }
  if (directive.precision >= 0 && static_cast<size_t>(directive.precision) < length) length = static_cast<size_t>(directive.precision);
  PutPadded(out, directive, text, length);
}

void PutChar(BoundedOutput& out, const Directive& directive, va_list& args) {
  bool narrow = directive.conversion == L'C' ? !(directive.length == Directive::kL || directive.length == Directive::kW)
                                        : directive.length == Directive::kH;
  int value = va_arg(args, int);
  wchar_t c = narrow ? static_cast<wchar_t>(static_cast<unsigned char>(value)) : static_cast<wchar_t>(value);
  PutPadded(out, directive, &c, 1);
}

void PutPointer(BoundedOutput& out, const Directive& directive, va_list& args) {
  // Windows prints pointers as fixed-width upper-case hexadecimal.
  auto value = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
  wchar_t digits[2 * sizeof(std::uintptr_t)];
  for (size_t i = 0; i < 2 * sizeof(std::uintptr_t); ++i) {
    unsigned nibble = (value >> (4 * (2 * sizeof(std::uintptr_t) - 1 - i))) & 0xF;
    digits[i] = static_cast<wchar_t>(nibble < 10 ? L'0' + nibble : L'A' + nibble - 10);
  }
  PutPadded(out, directive, digits, 2 * sizeof(std::uintptr_t));
}

void PutFloat(BoundedOutput& out, const Directive& directive, va_list& args) {
  char conv = static_cast<char>(directive.conversion);
  if (directive.length == Directive::kBigL)
    PutNumber(out, directive, "L", conv, va_arg(args, long double));
  else
    PutNumber(out, directive, "", conv, va_arg(args, double));
}

std::wstring Format(size_t maxChars, const wchar_t* format, va_list args, bool& cut) {
  BoundedOutput out(maxChars);
  if (!format) format = L"";
  va_list ap;
  va_copy(ap, args);
  const wchar_t* p = format;
  while (*p && !out.full()) {
    if (*p != L'%') {
      out.Put(*p++);
      continue;
    }
    const wchar_t* start = p++;
    if (*p == L'%') {
      out.Put(L'%');
      ++p;
      continue;
    }
    Directive directive;
    for (;; ++p) {
      if (*p == L'-') directive.left = true;
      else if (*p == L'+') directive.plus = true;
      else if (*p == L' ') directive.space = true;
      else if (*p == L'#') directive.alt = true;
      else if (*p == L'0') directive.zero = true;
      else break;
    }
    if (*p == L'*') {
      int w = va_arg(ap, int);
      if (w < 0) {
        directive.left = true;
        w = -w;
      }
      directive.width = w;
      ++p;
    } else {
      while (*p >= L'0' && *p <= L'9') {
        directive.width = (directive.width < 0 ? 0 : directive.width);
        if (directive.width < 100000) directive.width = directive.width * 10 + (*p - L'0');
        ++p;
      }
    }
    if (*p == L'.') {
      ++p;
      directive.precision = 0;
      if (*p == L'*') {
        int prec = va_arg(ap, int);
        directive.precision = prec < 0 ? -1 : prec;
        ++p;
      } else {
        while (*p >= L'0' && *p <= L'9') {
          if (directive.precision < 100000) directive.precision = directive.precision * 10 + (*p - L'0');
          ++p;
        }
      }
    }
    if (p[0] == L'h' && p[1] == L'h') { directive.length = Directive::kHH; p += 2; }
    else if (p[0] == L'l' && p[1] == L'l') { directive.length = Directive::kLL; p += 2; }
    else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') { directive.length = Directive::kLL; p += 3; }
    else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') { directive.length = Directive::kNone; p += 3; }
    else if (*p == L'h') { directive.length = Directive::kH; ++p; }
    else if (*p == L'l') { directive.length = Directive::kL; ++p; }
    else if (*p == L'w') { directive.length = Directive::kW; ++p; }
    else if (*p == L'I' || *p == L'z') { directive.length = Directive::kZ; ++p; }
    else if (*p == L'j') { directive.length = Directive::kJ; ++p; }
    else if (*p == L't') { directive.length = Directive::kT; ++p; }
    else if (*p == L'L') { directive.length = Directive::kBigL; ++p; }
    directive.conversion = *p;
    switch (directive.conversion) {
      case L'd': case L'i': case L'u': case L'o': case L'x': case L'X':
        PutInteger(out, directive, ap);
        break;
      case L's': case L'S':
        PutString(out, directive, ap);
        break;
      case L'c': case L'C':
        PutChar(out, directive, ap);
        break;
      case L'p':
        PutPointer(out, directive, ap);
        break;
      case L'f': case L'F': case L'e': case L'E': case L'g': case L'G': case L'a': case L'A':
        PutFloat(out, directive, ap);
        break;
      default:
        // Unknown or unsupported (%n): copied as written, argument untouched.
        if (*p == 0) {
          out.Put(start, static_cast<size_t>(p - start));
          continue;
        }
        out.Put(start, static_cast<size_t>(p - start + 1));
        break;
    }
    ++p;
  }
  cut = out.cut() || *p != 0;
  va_end(ap);
  return std::move(out.text());
}

}  // namespace

std::wstring FormatWideV(size_t maxChars, const wchar_t* format, va_list args) {
  bool cut = false;
  return Format(maxChars, format, args, cut);
}

std::wstring FormatWide(size_t maxChars, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatWideV(maxChars, format, args);
  va_end(args);
  return text;
}

int FormatWideToBufferV(wchar_t* buffer, size_t bufferChars, const wchar_t* format, va_list args) {
  if (!buffer || bufferChars == 0) return -1;
  bool cut = false;
  std::wstring text = Format(bufferChars - 1, format, args, cut);
  std::wmemcpy(buffer, text.data(), text.size());
  buffer[text.size()] = 0;
  return cut ? -1 : static_cast<int>(text.size());
}

int FormatWideToBuffer(wchar_t* buffer, size_t bufferChars, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = FormatWideToBufferV(buffer, bufferChars, format, args);
  va_end(args);
  return n;
}
