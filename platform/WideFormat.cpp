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

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = -1;
  int precision = -1;
  enum Length { kNone, kHH, kH, kL, kLL, kZ, kJ, kT, kBigL, kW } length = kNone;
  wchar_t conversion = 0;
};

void PutPadded(BoundedOutput& out, const Spec& spec, const wchar_t* body, size_t n) {
  size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  size_t pad = width > n ? width - n : 0;
  if (!spec.left) out.Repeat(L' ', pad);
  out.Put(body, n);
  if (spec.left) out.Repeat(L' ', pad);
}

// Numbers are formatted by the C library from a rebuilt narrow spec.
std::string NarrowSpec(const Spec& spec, const char* length, char conversion) {
  std::string s = "%";
  if (spec.left) s += '-';
  if (spec.plus) s += '+';
  if (spec.space) s += ' ';
  if (spec.alt) s += '#';
  if (spec.zero) s += '0';
  if (spec.width >= 0) s += std::to_string(spec.width);
  if (spec.precision >= 0) s += "." + std::to_string(spec.precision);
  s += length;
  s += conversion;
  return s;
}

template <class T>
void PutNumber(BoundedOutput& out, const Spec& spec, const char* length, char conversion, T value) {
  std::string format = NarrowSpec(spec, length, conversion);
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

void PutInteger(BoundedOutput& out, const Spec& spec, va_list& args) {
  bool isSigned = spec.conversion == L'd' || spec.conversion == L'i';
  char conv = static_cast<char>(spec.conversion == L'i' ? 'd' : spec.conversion);
  switch (spec.length) {
    case Spec::kLL:
      if (isSigned)
        PutNumber(out, spec, "ll", conv, va_arg(args, long long));
      else
        PutNumber(out, spec, "ll", conv, va_arg(args, unsigned long long));
      break;
    case Spec::kL:
      if (isSigned)
        PutNumber(out, spec, "l", conv, va_arg(args, long));
      else
        PutNumber(out, spec, "l", conv, va_arg(args, unsigned long));
      break;
    case Spec::kZ:
    case Spec::kT:
    case Spec::kJ:
      if (isSigned)
        PutNumber(out, spec, "ll", conv, static_cast<long long>(va_arg(args, std::intptr_t)));
      else
        PutNumber(out, spec, "ll", conv, static_cast<unsigned long long>(va_arg(args, std::uintptr_t)));
      break;
    case Spec::kH:
      if (isSigned)
        PutNumber(out, spec, "", conv, static_cast<int>(static_cast<short>(va_arg(args, int))));
      else
        PutNumber(out, spec, "", conv, static_cast<unsigned>(static_cast<unsigned short>(va_arg(args, unsigned))));
      break;
    case Spec::kHH:
      if (isSigned)
        PutNumber(out, spec, "", conv, static_cast<int>(static_cast<signed char>(va_arg(args, int))));
      else
        PutNumber(out, spec, "", conv, static_cast<unsigned>(static_cast<unsigned char>(va_arg(args, unsigned))));
      break;
    default:
      if (isSigned)
        PutNumber(out, spec, "", conv, va_arg(args, int));
      else
        PutNumber(out, spec, "", conv, va_arg(args, unsigned));
      break;
  }
}

void PutString(BoundedOutput& out, const Spec& spec, va_list& args) {
  // %s is wide unless h is given; %S is narrow unless l or w is given.
  bool narrow = spec.conversion == L'S' ? !(spec.length == Spec::kL || spec.length == Spec::kW)
                                        : spec.length == Spec::kH;
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
  if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < length) length = static_cast<size_t>(spec.precision);
  PutPadded(out, spec, text, length);
}

void PutChar(BoundedOutput& out, const Spec& spec, va_list& args) {
  bool narrow = spec.conversion == L'C' ? !(spec.length == Spec::kL || spec.length == Spec::kW)
                                        : spec.length == Spec::kH;
  int value = va_arg(args, int);
  wchar_t c = narrow ? static_cast<wchar_t>(static_cast<unsigned char>(value)) : static_cast<wchar_t>(value);
  PutPadded(out, spec, &c, 1);
}

void PutPointer(BoundedOutput& out, const Spec& spec, va_list& args) {
  // Windows prints pointers as fixed-width upper-case hexadecimal.
  auto value = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
  wchar_t digits[2 * sizeof(std::uintptr_t)];
  for (size_t i = 0; i < 2 * sizeof(std::uintptr_t); ++i) {
    unsigned nibble = (value >> (4 * (2 * sizeof(std::uintptr_t) - 1 - i))) & 0xF;
    digits[i] = static_cast<wchar_t>(nibble < 10 ? L'0' + nibble : L'A' + nibble - 10);
  }
  PutPadded(out, spec, digits, 2 * sizeof(std::uintptr_t));
}

void PutFloat(BoundedOutput& out, const Spec& spec, va_list& args) {
  char conv = static_cast<char>(spec.conversion);
  if (spec.length == Spec::kBigL)
    PutNumber(out, spec, "L", conv, va_arg(args, long double));
  else
    PutNumber(out, spec, "", conv, va_arg(args, double));
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
    Spec spec;
    for (;; ++p) {
      if (*p == L'-') spec.left = true;
      else if (*p == L'+') spec.plus = true;
      else if (*p == L' ') spec.space = true;
      else if (*p == L'#') spec.alt = true;
      else if (*p == L'0') spec.zero = true;
      else break;
    }
    if (*p == L'*') {
      int w = va_arg(ap, int);
      if (w < 0) {
        spec.left = true;
        w = -w;
      }
      spec.width = w;
      ++p;
    } else {
      while (*p >= L'0' && *p <= L'9') {
        spec.width = (spec.width < 0 ? 0 : spec.width);
        if (spec.width < 100000) spec.width = spec.width * 10 + (*p - L'0');
        ++p;
      }
    }
    if (*p == L'.') {
      ++p;
      spec.precision = 0;
      if (*p == L'*') {
        int prec = va_arg(ap, int);
        spec.precision = prec < 0 ? -1 : prec;
        ++p;
      } else {
        while (*p >= L'0' && *p <= L'9') {
          if (spec.precision < 100000) spec.precision = spec.precision * 10 + (*p - L'0');
          ++p;
        }
      }
    }
    if (p[0] == L'h' && p[1] == L'h') { spec.length = Spec::kHH; p += 2; }
    else if (p[0] == L'l' && p[1] == L'l') { spec.length = Spec::kLL; p += 2; }
    else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') { spec.length = Spec::kLL; p += 3; }
    else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') { spec.length = Spec::kNone; p += 3; }
    else if (*p == L'h') { spec.length = Spec::kH; ++p; }
    else if (*p == L'l') { spec.length = Spec::kL; ++p; }
    else if (*p == L'w') { spec.length = Spec::kW; ++p; }
    else if (*p == L'I' || *p == L'z') { spec.length = Spec::kZ; ++p; }
    else if (*p == L'j') { spec.length = Spec::kJ; ++p; }
    else if (*p == L't') { spec.length = Spec::kT; ++p; }
    else if (*p == L'L') { spec.length = Spec::kBigL; ++p; }
    spec.conversion = *p;
    switch (spec.conversion) {
      case L'd': case L'i': case L'u': case L'o': case L'x': case L'X':
        PutInteger(out, spec, ap);
        break;
      case L's': case L'S':
        PutString(out, spec, ap);
        break;
      case L'c': case L'C':
        PutChar(out, spec, ap);
        break;
      case L'p':
        PutPointer(out, spec, ap);
        break;
      case L'f': case L'F': case L'e': case L'E': case L'g': case L'G': case L'a': case L'A':
        PutFloat(out, spec, ap);
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
