// Typed tables keyed by a wide-string name, for the framework's own
// bookkeeping. CNamePtrMap holds untyped pointers it does not own; these
// tables own their values, so replacing, removing or clearing an entry
// frees it and nothing frees by hand.
#pragma once

#include "uiframework/core/UIString.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace SkinUI {

// Name to text (custom attributes, attribute lists, language strings).
using CNameStringTable = std::unordered_map<std::wstring, CUIString>;

// Name to an owned record.
template <typename T>
using COwnedNameTable = std::unordered_map<std::wstring, std::unique_ptr<T>>;

// The text stored under name, or null; a null name finds nothing.
inline LPCWSTR FindText(const CNameStringTable& table, LPCWSTR name) {
  if (name == nullptr) return nullptr;
  const auto found = table.find(name);
  return found == table.end() ? nullptr : found->second.GetData();
}

// The record stored under name, or null; a null name finds nothing.
template <typename T>
T* FindOwned(const COwnedNameTable<T>& table, LPCWSTR name) {
  if (name == nullptr) return nullptr;
  const auto found = table.find(name);
  return found == table.end() ? nullptr : found->second.get();
}

}  // namespace SkinUI
