#include "uiframework/markup/MarkupElement.h"

#include "uiframework/markup/MarkupParser.h"

#include <cwchar>

namespace SkinUI {

CMarkupElement CMarkupElement::GetSibling() const {
  if (m_parser == nullptr) return CMarkupElement();
  const ULONG next = m_parser->m_elements[m_index].next;
  return next == 0 ? CMarkupElement() : CMarkupElement(m_parser, next);
}

CMarkupElement CMarkupElement::GetChild() const {
  if (m_parser == nullptr) return CMarkupElement();
  const ULONG child = m_parser->m_elements[m_index].child;
  return child == 0 ? CMarkupElement() : CMarkupElement(m_parser, child);
}

CMarkupElement CMarkupElement::GetParent() const {
  if (m_parser == nullptr) return CMarkupElement();
  const ULONG parent = m_parser->m_elements[m_index].parent;
  return parent == 0 ? CMarkupElement() : CMarkupElement(m_parser, parent);
}

bool CMarkupElement::HasChildren() const {
  return m_parser != nullptr && m_parser->m_elements[m_index].child != 0;
}

LPCWSTR CMarkupElement::GetName() const {
  if (m_parser == nullptr) return L"";
  return m_parser->m_text.data() + m_parser->m_elements[m_index].start;
}

LPCWSTR CMarkupElement::GetValue() const {
  if (m_parser == nullptr) return L"";
  return m_parser->m_text.data() + m_parser->m_elements[m_index].data;
}

void CMarkupElement::MapAttributes() {
  if (m_attributeCount >= 0) return;
  m_attributeCount = 0;
  if (m_parser == nullptr) return;
  const auto& element = m_parser->m_elements[m_index];
  ULONG count = element.attributeCount;
  if (count > static_cast<ULONG>(kMaxAttributes)) count = kMaxAttributes;
  for (ULONG i = 0; i < count; ++i) {
    const auto& attribute = m_parser->m_attributes[element.firstAttribute + i];
    m_attributes[i][0] = attribute.name;
    m_attributes[i][1] = attribute.value;
  }
  m_attributeCount = static_cast<int>(count);
}

bool CMarkupElement::HasAttributes() { return GetAttributeCount() > 0; }

int CMarkupElement::GetAttributeCount() {
  MapAttributes();
  return m_attributeCount;
}

LPCWSTR CMarkupElement::GetAttributeName(int index) {
  MapAttributes();
  if (index < 0 || index >= m_attributeCount) return L"";
  return m_parser->m_text.data() + m_attributes[index][0];
}

LPCWSTR CMarkupElement::GetAttributeValue(int index) {
  MapAttributes();
  if (index < 0 || index >= m_attributeCount) return L"";
  return m_parser->m_text.data() + m_attributes[index][1];
}

LPCWSTR CMarkupElement::GetAttributeValue(LPCWSTR name) {
  MapAttributes();
  if (name == nullptr) return nullptr;
  for (int i = 0; i < m_attributeCount; ++i)
    if (std::wcscmp(m_parser->m_text.data() + m_attributes[i][0], name) == 0)
      return m_parser->m_text.data() + m_attributes[i][1];
  return nullptr;
}

bool CMarkupElement::GetAttributeValue(LPCWSTR name, LPWSTR buffer, size_t bufferChars) {
  LPCWSTR value = GetAttributeValue(name);
  if (value == nullptr) return false;
  if (buffer != nullptr && bufferChars > 0) {
    size_t length = std::wcslen(value);
    if (length > bufferChars - 1) length = bufferChars - 1;
    std::wmemcpy(buffer, value, length);
    buffer[length] = 0;
  }
  return true;
}

}  // namespace SkinUI
