#include "uiframework/controls/CheckBoxUI.h"

#include <cwchar>

namespace SkinUI {

LPCWSTR CCheckBoxUI::GetClass() const { return L"CheckBox"; }

void* CCheckBoxUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"CheckBox") == 0) return this;
  return COptionUI::FindInterface(name);
}

}  // namespace SkinUI
