#include "uiframework/render/HtmlTextScanner.h"

namespace SkinUI {

namespace {

bool IsLower(wchar_t c) { return c >= L'a' && c <= L'z'; }
bool IsLetter(wchar_t c) { return IsLower(c) || (c >= L'A' && c <= L'Z'); }
bool IsOpenBracket(wchar_t c) { return c == L'<' || c == L'{'; }
bool IsCloseBracket(wchar_t c) { return c == L'>' || c == L'}'; }

}  // namespace

CHtmlTextScanner::CHtmlTextScanner(LPCWSTR text, int length)
    : m_text(text), m_length(text == nullptr || length < 0 ? 0 : length) {}

bool CHtmlTextScanner::AtRawEnd() const {
  return IsOpenBracket(At(m_pos)) && At(m_pos + 1) == L'/' && At(m_pos + 2) == L'r' && IsCloseBracket(At(m_pos + 3));
}

bool CHtmlTextScanner::IsRunEnd(int index) const {
  const wchar_t c = At(index);
  if (c == L'\n' || c == L'\r') return true;
  if (m_raw) return IsOpenBracket(c) && At(index + 1) == L'/' && At(index + 2) == L'r' && IsCloseBracket(At(index + 3));
  return IsOpenBracket(c);
}

void CHtmlTextScanner::ScanRun(HtmlToken& token) {
  token.kind = HtmlTokenKind::Run;
  token.start = m_pos;
  int end = m_pos + 1;
  if (At(m_pos) != L' ') {
    while (end < m_length && !IsRunEnd(end)) ++end;
  }
  token.length = end - m_pos;
  m_pos = end;
}

bool CHtmlTextScanner::ScanTag(HtmlToken& token) {
  const wchar_t open = At(m_pos);
  const wchar_t second = At(m_pos + 1);
  const wchar_t third = At(m_pos + 2);
  const bool literal = (open == L'<' && (second == L'{' || second == L'}') && third == L'>') ||
                       (open == L'{' && (second == L'<' || second == L'>') && third == L'}');
  if (literal) {
    token.kind = HtmlTokenKind::Literal;
    token.letter = second;
    token.start = m_pos + 1;
    token.length = 1;
    m_pos += 3;
    return true;
  }
  const bool opening = IsLower(second) && (third == L' ' || IsCloseBracket(third));
  const bool closing = second == L'/' && IsLetter(third);
  if (!opening && !closing) return false;
  token.kind = opening ? HtmlTokenKind::OpenTag : HtmlTokenKind::CloseTag;
  token.letter = opening ? second : third;
  int p = m_pos + (opening ? 2 : 3);
  while (p < m_length && At(p) == L' ') ++p;
  token.start = p;
  while (p < m_length && !IsCloseBracket(At(p))) ++p;
  token.length = opening ? p - token.start : 0;
  m_pos = p < m_length ? p + 1 : m_length;
  return true;
}

bool CHtmlTextScanner::Next(HtmlToken& token) {
  token = HtmlToken();
  if (m_pos >= m_length) return false;
  const wchar_t c = At(m_pos);
  if (c == L'\r' || c == L'\n') {
    token.kind = HtmlTokenKind::LineBreak;
    token.start = m_pos;
    m_pos += (c == L'\r' && At(m_pos + 1) == L'\n') ? 2 : 1;
    token.length = 1;
    return true;
  }
  if (m_raw) {
    if (AtRawEnd()) {
      token.kind = HtmlTokenKind::CloseTag;
      token.letter = L'r';
      token.start = m_pos + 4;
      m_pos += 4;
      m_raw = false;
      return true;
    }
    ScanRun(token);
    return true;
  }
  if (IsOpenBracket(c) && ScanTag(token)) {
    if (token.kind == HtmlTokenKind::OpenTag && token.letter == L'r') m_raw = true;
    return true;
  }
  ScanRun(token);
  return true;
}

}  // namespace SkinUI
