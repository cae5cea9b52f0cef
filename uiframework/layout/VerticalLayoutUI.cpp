#include "uiframework/layout/VerticalLayoutUI.h"

#include <cwchar>

namespace SkinUI {

CVerticalLayoutUI::CVerticalLayoutUI() : CBoxLayoutUI(false, true, L"sepheight") {}

LPCWSTR CVerticalLayoutUI::GetClass() const { return L"VerticalLayout"; }

void* CVerticalLayoutUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"VerticalLayout") == 0) return this;
  return CBoxLayoutUI::FindInterface(name);
}

}  // namespace SkinUI
