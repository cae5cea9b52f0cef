// CMarkupElement: a cheap handle to one element of a parsed document. Only
// the first 64 attributes of an element are visible.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

class CMarkupParser;

class CMarkupElement {
 public:
  static constexpr int kMaxAttributes = 64;

  CMarkupElement() = default;
  CMarkupElement(CMarkupParser* parser, ULONG index) : m_parser(parser), m_index(index) {}

  bool IsValid() const { return m_parser != nullptr; }
  CMarkupElement GetSibling() const;
  CMarkupElement GetChild() const;
  CMarkupElement GetParent() const;
  bool HasChildren() const;
  LPCWSTR GetName() const;
  // The element's text content ("" for an empty element).
  LPCWSTR GetValue() const;

  bool HasAttributes();
  int GetAttributeCount();
  // "" for indexes out of range.
  LPCWSTR GetAttributeName(int index);
  LPCWSTR GetAttributeValue(int index);
  // The value of the attribute (names compared case-sensitively), or null.
  LPCWSTR GetAttributeValue(LPCWSTR name);
  // Copies the value into buffer, which holds bufferChars characters
  // including the terminator; returns whether the attribute exists.
  bool GetAttributeValue(LPCWSTR name, LPWSTR buffer, size_t bufferChars);

 private:
  void MapAttributes();

  CMarkupParser* m_parser = nullptr;
  ULONG m_index = 0;
  int m_attributeCount = -1;
  ULONG m_attributes[kMaxAttributes][2] = {};
};

}  // namespace SkinUI
