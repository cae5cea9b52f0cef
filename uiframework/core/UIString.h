// CUIString: the framework's wide string. Text of up to 63 characters lives
// in an inline buffer; longer text moves to the heap.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

class CUIString {
 public:
  static constexpr int kInlineChars = 63;
  // Format cuts its result at this many characters.
  static constexpr int kFormatChars = 1024;

  CUIString();
  CUIString(wchar_t ch);
  CUIString(const CUIString& src);
  CUIString(LPCWSTR text, int length = -1);
  ~CUIString();

  void Empty();
  int GetLength() const { return m_length; }
  bool IsEmpty() const { return m_length == 0; }
  // The character at index; 0 outside the text.
  wchar_t GetAt(int index) const;
  void SetAt(int index, wchar_t ch);
  void Append(LPCWSTR text);
  void Append(LPCWSTR text, int length);
  void Assign(LPCWSTR text, int length = -1);
  LPCWSTR GetData() const { return m_pstr; }
  operator LPCWSTR() const { return m_pstr; }

  const CUIString& operator=(const CUIString& src);
  const CUIString& operator=(LPCWSTR text);
  const CUIString& operator=(wchar_t ch);
  CUIString operator+(const CUIString& src) const;
  CUIString operator+(LPCWSTR text) const;
  const CUIString& operator+=(const CUIString& src);
  const CUIString& operator+=(LPCWSTR text);
  const CUIString& operator+=(wchar_t ch);

  bool operator==(const CUIString& other) const { return Compare(other.m_pstr) == 0; }
  bool operator!=(const CUIString& other) const { return Compare(other.m_pstr) != 0; }
  bool operator==(LPCWSTR text) const { return Compare(text) == 0; }
  bool operator!=(LPCWSTR text) const { return Compare(text) != 0; }
  bool operator<(LPCWSTR text) const { return Compare(text) < 0; }

  // <0, 0, >0 like wcscmp; a null text compares as empty.
  int Compare(LPCWSTR text) const;
  int CompareNoCase(LPCWSTR text) const;

  void MakeUpper();
  void MakeLower();

  CUIString Left(int length) const;
  CUIString Mid(int pos, int length = -1) const;
  CUIString Right(int length) const;

  // Index of the first match at or after pos, or -1.
  int Find(wchar_t ch, int pos = 0) const;
  int Find(LPCWSTR text, int pos = 0) const;
  int ReverseFind(wchar_t ch) const;
  // Replaces every occurrence of from by to; returns the number replaced.
  int Replace(LPCWSTR from, LPCWSTR to);

  // printf-style formatting with the Windows conversions (%s wide, %S
  // narrow); the result is cut at kFormatChars characters. Returns the
  // resulting length.
  int Format(LPCWSTR format, ...);

 private:
  void Reserve(int length);

  wchar_t* m_pstr;
  int m_length = 0;
  int m_capacity = kInlineChars;
  wchar_t m_buffer[kInlineChars + 1];
};

}  // namespace SkinUI
