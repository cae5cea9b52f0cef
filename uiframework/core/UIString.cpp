#include "uiframework/core/UIString.h"

#include "platform/WideFormat.h"

#include <cstdarg>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

namespace SkinUI {

CUIString::CUIString() : m_pstr(m_buffer) { m_buffer[0] = 0; }

CUIString::CUIString(wchar_t ch) : m_pstr(m_buffer) {
  m_buffer[0] = ch;
  m_buffer[1] = 0;
  m_length = ch == 0 ? 0 : 1;
}

CUIString::CUIString(const CUIString& src) : m_pstr(m_buffer) {
  m_buffer[0] = 0;
  Assign(src.m_pstr, src.m_length);
}

CUIString::CUIString(LPCWSTR text, int length) : m_pstr(m_buffer) {
  m_buffer[0] = 0;
  Assign(text, length);
}

CUIString::~CUIString() {
  if (m_pstr != m_buffer) std::free(m_pstr);
}

void CUIString::Reserve(int length) {
  if (length <= m_capacity) return;
  // Grow geometrically so that repeated appends stay linear.
  int capacity = m_capacity * 2 > length ? m_capacity * 2 : length;
  auto* fresh = static_cast<wchar_t*>(std::malloc((static_cast<size_t>(capacity) + 1) * sizeof(wchar_t)));
  if (fresh == nullptr) std::abort();
  std::wmemcpy(fresh, m_pstr, static_cast<size_t>(m_length) + 1);
  if (m_pstr != m_buffer) std::free(m_pstr);
  m_pstr = fresh;
  m_capacity = capacity;
}

void CUIString::Empty() {
  if (m_pstr != m_buffer) std::free(m_pstr);
  m_pstr = m_buffer;
  m_capacity = kInlineChars;
  m_length = 0;
  m_buffer[0] = 0;
}

wchar_t CUIString::GetAt(int index) const {
  if (index < 0 || index >= m_length) return 0;
  return m_pstr[index];
}

void CUIString::SetAt(int index, wchar_t ch) {
  if (index < 0 || index >= m_length || ch == 0) return;
  m_pstr[index] = ch;
}

void CUIString::Append(LPCWSTR text) {
  if (text == nullptr) return;
  Append(text, static_cast<int>(std::wcslen(text)));
}

void CUIString::Append(LPCWSTR text, int length) {
  if (text == nullptr || length <= 0) return;
  // text may point into this string: copy through a temporary then.
  if (text >= m_pstr && text <= m_pstr + m_length) {
    CUIString copy(text, length);
    Append(copy.m_pstr, copy.m_length);
    return;
  }
  Reserve(m_length + length);
  std::wmemcpy(m_pstr + m_length, text, static_cast<size_t>(length));
  m_length += length;
  m_pstr[m_length] = 0;
}

void CUIString::Assign(LPCWSTR text, int length) {
  if (text == nullptr) text = L"";
  if (length < 0) length = static_cast<int>(std::wcslen(text));
  else length = static_cast<int>(::wcsnlen(text, static_cast<size_t>(length)));
  if (text >= m_pstr && text <= m_pstr + m_length) {
    CUIString copy(text, length);
    Assign(copy.m_pstr, copy.m_length);
    return;
  }
  if (length <= kInlineChars) {
    if (m_pstr != m_buffer) std::free(m_pstr);
    m_pstr = m_buffer;
    m_capacity = kInlineChars;
  } else {
    m_length = 0;
    m_pstr[0] = 0;
    Reserve(length);
  }
  std::wmemcpy(m_pstr, text, static_cast<size_t>(length));
  m_length = length;
  m_pstr[length] = 0;
}

const CUIString& CUIString::operator=(const CUIString& src) {
  if (this != &src) Assign(src.m_pstr, src.m_length);
  return *this;
}

const CUIString& CUIString::operator=(LPCWSTR text) {
  Assign(text);
  return *this;
}

const CUIString& CUIString::operator=(wchar_t ch) {
  wchar_t text[2] = {ch, 0};
  Assign(text);
  return *this;
}

CUIString CUIString::operator+(const CUIString& src) const {
  CUIString result(*this);
  result.Append(src.m_pstr, src.m_length);
  return result;
}

CUIString CUIString::operator+(LPCWSTR text) const {
  CUIString result(*this);
  result.Append(text);
  return result;
}

const CUIString& CUIString::operator+=(const CUIString& src) {
  Append(src.m_pstr, src.m_length);
  return *this;
}

const CUIString& CUIString::operator+=(LPCWSTR text) {
  Append(text);
  return *this;
}

const CUIString& CUIString::operator+=(wchar_t ch) {
  if (ch != 0) Append(&ch, 1);
  return *this;
}

int CUIString::Compare(LPCWSTR text) const {
  return std::wcscmp(m_pstr, text == nullptr ? L"" : text);
}

int CUIString::CompareNoCase(LPCWSTR text) const {
  if (text == nullptr) text = L"";
  const wchar_t* a = m_pstr;
  for (;; ++a, ++text) {
    wint_t ca = std::towlower(static_cast<wint_t>(*a));
    wint_t cb = std::towlower(static_cast<wint_t>(*text));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

void CUIString::MakeUpper() {
  for (int i = 0; i < m_length; ++i) m_pstr[i] = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(m_pstr[i])));
}

void CUIString::MakeLower() {
  for (int i = 0; i < m_length; ++i) m_pstr[i] = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(m_pstr[i])));
}

CUIString CUIString::Left(int length) const {
  if (length < 0) length = 0;
  if (length > m_length) length = m_length;
  return CUIString(m_pstr, length);
}

CUIString CUIString::Mid(int pos, int length) const {
  if (pos < 0) pos = 0;
  if (pos > m_length) pos = m_length;
  if (length < 0 || length > m_length - pos) length = m_length - pos;
  return CUIString(m_pstr + pos, length);
}

CUIString CUIString::Right(int length) const {
  if (length < 0) length = 0;
  if (length > m_length) length = m_length;
  return CUIString(m_pstr + m_length - length, length);
}

int CUIString::Find(wchar_t ch, int pos) const {
  if (pos < 0 || pos > m_length) return -1;
  const wchar_t* found = std::wcschr(m_pstr + pos, ch);
  return found == nullptr || ch == 0 ? -1 : static_cast<int>(found - m_pstr);
}

int CUIString::Find(LPCWSTR text, int pos) const {
  if (text == nullptr || pos < 0 || pos > m_length) return -1;
  const wchar_t* found = std::wcsstr(m_pstr + pos, text);
  return found == nullptr ? -1 : static_cast<int>(found - m_pstr);
}

int CUIString::ReverseFind(wchar_t ch) const {
  const wchar_t* found = std::wcsrchr(m_pstr, ch);
  return found == nullptr || ch == 0 ? -1 : static_cast<int>(found - m_pstr);
}

int CUIString::Replace(LPCWSTR from, LPCWSTR to) {
  if (from == nullptr || *from == 0) return 0;
  if (to == nullptr) to = L"";
  const int fromLength = static_cast<int>(std::wcslen(from));
  CUIString result;
  int count = 0;
  int pos = 0;
  for (int found = Find(from, 0); found >= 0; found = Find(from, pos)) {
    result.Append(m_pstr + pos, found - pos);
    result.Append(to);
    pos = found + fromLength;
    ++count;
  }
  if (count == 0) return 0;
  result.Append(m_pstr + pos, m_length - pos);
  *this = result;
  return count;
}

int CUIString::Format(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = FormatWideV(kFormatChars, format == nullptr ? L"" : format, args);
  va_end(args);
  if (text.size() > static_cast<size_t>(kFormatChars)) text.resize(kFormatChars);
  Assign(text.c_str(), static_cast<int>(text.size()));
  return m_length;
}

}  // namespace SkinUI
