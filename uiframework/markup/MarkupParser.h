// CMarkupParser: a small, in-place, non-validating XML parser for window
// layouts. Names, attribute values and element text are terminated inside
// the parser's own buffer and handed out as pointers into it; they stay
// valid while the parser lives and is not reloaded.
//
// The parser is safe on any input: every scan stops at the end of the
// text, nesting is limited to kMaxDepth levels, and a failed parse leaves
// an error message and location instead of a document.
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIString.h"
#include "uiframework/resources/SkinFileReader.h"

#include <vector>

namespace SkinUI {

class CMarkupElement;

enum MarkupEncoding : int {
  MarkupUtf8 = 0,
  MarkupUtf16 = 1,  // needs a byte-order mark
  MarkupAnsi = 2,
};

class CMarkupParser {
 public:
  static constexpr int kMaxDepth = 256;
  static constexpr DWORD kMaxFileBytes = static_cast<DWORD>(kMaxMarkupFileBytes);
  static constexpr int kMaxErrorChars = 99;
  static constexpr int kMaxLocationChars = 49;

  explicit CMarkupParser(LPCWSTR xml = nullptr);

  bool Load(LPCWSTR xml);
  bool LoadFromMem(const BYTE* bytes, DWORD length, int encoding = MarkupUtf8);
  // Reads resource path + name from the skin archive while one is set,
  // else from the file system (see CResourceSettingsUI).
  bool LoadFromFile(LPCWSTR fileName, int encoding = MarkupUtf8);
  void Release();
  bool IsValid() const { return !m_elements.empty(); }

  void SetPreserveWhitespace(bool preserve) { m_preserveWhitespace = preserve; }
  LPCWSTR GetLastErrorMessage() const { return m_errorMessage; }
  LPCWSTR GetLastErrorLocation() const { return m_errorLocation; }

  CMarkupElement GetRoot();

 private:
  friend class CMarkupElement;

  struct Element {
    ULONG start;   // name position
    ULONG child;   // first child (0 = none)
    ULONG next;    // next sibling (0 = none)
    ULONG parent;
    ULONG data;    // text content, or the end of an empty element
    ULONG firstAttribute;
    ULONG attributeCount;
  };
  struct Attribute {
    ULONG name;
    ULONG value;
  };

  bool Parse();
  bool ParseContent(wchar_t*& p, ULONG parent, int depth);
  bool ParseAttributes(wchar_t*& p, ULONG element);
  // Decodes entities in place up to end (or the end of the text); returns
  // the new end of the decoded characters.
  wchar_t* ParseData(wchar_t*& p, wchar_t end);
  ULONG AddElement();
  bool Fail(LPCWSTR message, const wchar_t* location);
  ULONG Offset(const wchar_t* p) const { return static_cast<ULONG>(p - m_text.data()); }

  std::vector<wchar_t> m_text;
  std::vector<Element> m_elements;
  std::vector<Attribute> m_attributes;
  bool m_preserveWhitespace = true;
  wchar_t m_errorMessage[kMaxErrorChars + 1] = {};
  wchar_t m_errorLocation[kMaxLocationChars + 1] = {};
};

}  // namespace SkinUI
