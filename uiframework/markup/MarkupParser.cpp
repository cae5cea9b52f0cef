#include "uiframework/markup/MarkupParser.h"

#include "platform/CodePage.h"
#include "uiframework/markup/MarkupElement.h"

#include <cwchar>
#include <string>

namespace SkinUI {

namespace {

// Whitespace is any character up to 32 except the terminator.
bool IsSpace(wchar_t ch) { return ch != 0 && ch <= 32; }

bool IsNameChar(wchar_t ch) {
  return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || (ch >= L'0' && ch <= L'9') || ch == L'_' ||
         ch == L':' || (ch > 0x7F && ch != 0xFFFD);
}

void SkipSpace(wchar_t*& p) {
  while (IsSpace(*p)) ++p;
}

void SkipName(wchar_t*& p) {
  while (IsNameChar(*p)) ++p;
}

struct Entity {
  const wchar_t* text;
  size_t length;
  wchar_t ch;
};

constexpr Entity kEntities[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

}  // namespace

CMarkupParser::CMarkupParser(LPCWSTR xml) {
  if (xml != nullptr) Load(xml);
}

void CMarkupParser::Release() {
  m_text.clear();
  m_text.shrink_to_fit();
  m_elements.clear();
  m_attributes.clear();
}

bool CMarkupParser::Load(LPCWSTR xml) {
  Release();
  if (xml == nullptr) xml = L"";
  const size_t length = std::wcslen(xml);
  m_text.assign(xml, xml + length);
  m_text.push_back(0);
  return Parse();
}

bool CMarkupParser::LoadFromMem(const BYTE* bytes, DWORD length, int encoding) {
  Release();
  if (bytes == nullptr) length = 0;
  std::wstring text;
  if (encoding == MarkupUtf16) {
    const bool little = length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool big = length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (!little && !big) return false;
    std::string units(reinterpret_cast<const char*>(bytes) + 2, (length - 2) & ~1u);
    if (big)
      for (size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
    text = Utf16LeBytesToWide(units);
  } else {
    DWORD skip = 0;
    if (encoding == MarkupUtf8 && length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) skip = 3;
    // The ANSI code page of this host is UTF-8 as well.
    text = Utf8ToWideString(std::string(reinterpret_cast<const char*>(bytes) + skip, length - skip));
  }
  m_text.assign(text.begin(), text.end());
  m_text.push_back(0);
  return Parse();
}

bool CMarkupParser::LoadFromFile(LPCWSTR fileName, int encoding) {
  Release();
  std::string bytes;
  LPCWSTR message = nullptr;
  switch (ReadSkinFile(fileName, kMaxFileBytes, bytes)) {
    case SkinFileStatus::Ok: break;
    case SkinFileStatus::FileOpenFailed: message = L"Error opening file"; break;
    case SkinFileStatus::FileEmpty:
    case SkinFileStatus::ZipEntryEmpty: message = L"File is empty"; break;
    case SkinFileStatus::FileTooLarge:
    case SkinFileStatus::ZipEntryTooLarge: message = L"File too large"; break;
    case SkinFileStatus::FileReadFailed: message = L"Could not read file"; break;
    case SkinFileStatus::ZipOpenFailed: message = L"Error opening zip file"; break;
    case SkinFileStatus::ZipEntryMissing: message = L"Could not find ziped file"; break;
    case SkinFileStatus::ZipReadFailed: message = L"Could not unzip file"; break;
  }
  if (message != nullptr) return Fail(message, nullptr);
  return LoadFromMem(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), encoding);
}

CMarkupElement CMarkupParser::GetRoot() {
  if (m_elements.size() < 2) return CMarkupElement();
  return CMarkupElement(this, 1);
}

bool CMarkupParser::Fail(LPCWSTR message, const wchar_t* location) {
  std::wcsncpy(m_errorMessage, message, kMaxErrorChars);
  m_errorMessage[kMaxErrorChars] = 0;
  m_errorLocation[0] = 0;
  if (location != nullptr) {
    std::wcsncpy(m_errorLocation, location, kMaxLocationChars);
    m_errorLocation[kMaxLocationChars] = 0;
  }
  Release();
  return false;
}

ULONG CMarkupParser::AddElement() {
  if (m_elements.size() == m_elements.capacity()) m_elements.reserve(m_elements.capacity() * 3 / 2 + 500);
  m_elements.push_back(Element{0, 0, 0, 0, 0, 0, 0});
  return static_cast<ULONG>(m_elements.size() - 1);
}

bool CMarkupParser::Parse() {
  m_errorMessage[0] = 0;
  m_errorLocation[0] = 0;
  m_elements.clear();
  m_attributes.clear();
  AddElement();  // record 0 is a placeholder
  wchar_t* p = m_text.data();
  if (!ParseContent(p, 0, 0)) return false;
  if (m_elements.size() < 2) {
    // Nothing but whitespace, comments or text: no document.
    Release();
    return false;
  }
  return true;
}

wchar_t* CMarkupParser::ParseData(wchar_t*& p, wchar_t end) {
  wchar_t* write = p;
  while (*p != 0 && *p != end) {
    if (*p == L'&') {
      bool decoded = false;
      for (const Entity& entity : kEntities) {
        if (std::wcsncmp(p, entity.text, entity.length) == 0) {
          *write++ = entity.ch;
          p += entity.length;
          decoded = true;
          break;
        }
      }
      if (decoded) continue;
    }
    if (!m_preserveWhitespace && *p == L' ') {
      *write++ = *p++;
      SkipSpace(p);
      continue;
    }
    *write++ = *p++;
  }
  // The decoded text ends at write; what it no longer uses becomes blanks.
  for (wchar_t* fill = write; fill < p; ++fill) *fill = L' ';
  return write;
}

bool CMarkupParser::ParseAttributes(wchar_t*& p, ULONG element) {
  SkipSpace(p);
  m_elements[element].firstAttribute = static_cast<ULONG>(m_attributes.size());
  while (*p != 0 && *p != L'>' && *p != L'/') {
    wchar_t* name = p;
    SkipName(p);
    wchar_t* nameEnd = p;
    SkipSpace(p);
    if (*p != L'=') return Fail(L"Error while parsing attributes", p);
    ++p;
    SkipSpace(p);
    if (*p != L'"') return Fail(L"Expected attribute value", p);
    wchar_t* value = ++p;
    wchar_t* valueEnd = ParseData(p, L'"');
    if (*p != L'"') return Fail(L"Error while parsing attribute string", value);
    *valueEnd = 0;
    *p++ = 0;
    *nameEnd = 0;
    m_attributes.push_back(Attribute{Offset(name), Offset(value)});
    ++m_elements[element].attributeCount;
    SkipSpace(p);
  }
  return true;
}

bool CMarkupParser::ParseContent(wchar_t*& p, ULONG parent, int depth) {
  if (depth > kMaxDepth) return Fail(L"Elements nested too deeply", p);
  ULONG previous = 0;
  for (;;) {
    SkipSpace(p);
    if (*p == 0) {
      if (parent <= 1) return true;
      return Fail(L"Expected start tag", p);
    }
    if (*p != L'<') return Fail(L"Expected start tag", p);
    if (p[1] == L'/') return true;
    *p++ = 0;  // ends the text before the tag
    SkipSpace(p);
    if (*p == L'!' || *p == L'?') {
      const wchar_t close = *p == L'!' ? L'-' : L'?';
      wchar_t* start = p;
      while (*p != 0 && !(p[0] == close && p[1] == L'>')) ++p;
      if (*p == 0) return Fail(L"Expected start tag", start);
      p += 2;
      continue;
    }
    const ULONG index = AddElement();
    m_elements[index].start = Offset(p);
    m_elements[index].parent = parent;
    if (previous != 0) m_elements[previous].next = index;
    else m_elements[parent].child = index;
    previous = index;

    wchar_t* name = p;
    SkipName(p);
    if (*p == 0) return Fail(L"Error parsing element name", name);
    wchar_t* nameEnd = p;
    const size_t nameLength = static_cast<size_t>(nameEnd - name);
    if (!ParseAttributes(p, index)) return false;
    SkipSpace(p);
    if (p[0] == L'/' && p[1] == L'>') {
      m_elements[index].data = Offset(p);
      *p = 0;
      p += 2;
    } else {
      if (*p != L'>') return Fail(L"Expected start-tag closing", p);
      m_elements[index].data = Offset(++p);
      wchar_t* textEnd = ParseData(p, L'<');
      if (*p == 0) {
        *textEnd = 0;
        if (parent <= 1) {
          *nameEnd = 0;
          return true;
        }
        return Fail(L"Expected end-tag start", p);
      }
      // The text ends where its decoded characters end; the tag's "<"
      // itself is cut off when the tag is read.
      if (textEnd < p) *textEnd = 0;
      if (p[1] != L'/' && !ParseContent(p, index, depth + 1)) return false;
      if (p[0] == L'<' && p[1] == L'/') {
        *p = 0;
        p += 2;
        SkipSpace(p);
        if (std::wcsncmp(p, name, nameLength) != 0) return Fail(L"Unmatched closing tag", p);
        p += nameLength;
        SkipSpace(p);
        if (*p != L'>') return Fail(L"Unmatched closing tag", p);
        ++p;
      }
    }
    *nameEnd = 0;
  }
}

}  // namespace SkinUI
