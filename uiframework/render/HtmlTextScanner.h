// CHtmlTextScanner: splits lightly formatted text into runs, line breaks,
// tags and bracket literals.
//
// - A run is the text from the current character up to the next "<", "{"
//   or line break; a run that starts with a space is that space alone.
// - "<" or "{", a lower-case letter and then a space, ">" or "}" open a
//   tag; "<" or "{", "/" and a letter close one. A tag's text ends at the
//   next ">" or "}" (or at the end of the text); an opening tag's argument
//   is its text after the letter, without leading spaces.
// - "<{>", "<}>", "{<}" and "{>}" stand for the bracket between them.
// - After the raw tag "r" everything up to "</r>" or "{/r}" is runs and
//   line breaks only.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

enum class HtmlTokenKind { Run, LineBreak, OpenTag, CloseTag, Literal };

struct HtmlToken {
  HtmlTokenKind kind = HtmlTokenKind::Run;
  int start = 0;      // of the run, or of the tag's argument
  int length = 0;     // of the run, or of the tag's argument
  wchar_t letter = 0;  // the tag's letter, or the literal character
};

class CHtmlTextScanner {
 public:
  // text need not be terminated; no character at or past length is read.
  CHtmlTextScanner(LPCWSTR text, int length);

  // The next token; false at the end of the text.
  bool Next(HtmlToken& token);
  int Position() const { return m_pos; }

 private:
  wchar_t At(int index) const { return (index >= 0 && index < m_length) ? m_text[index] : L'\0'; }
  bool IsRunEnd(int index) const;
  bool ScanTag(HtmlToken& token);
  void ScanRun(HtmlToken& token);
  bool AtRawEnd() const;

  LPCWSTR m_text;
  int m_length;
  int m_pos = 0;
  bool m_raw = false;
};

}  // namespace SkinUI
