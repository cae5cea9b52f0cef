#include "uiframework/layout/HorizontalLayoutUI.h"

#include <cwchar>

namespace SkinUI {

CHorizontalLayoutUI::CHorizontalLayoutUI() : CBoxLayoutUI(true, false, L"sepwidth") {}

LPCWSTR CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayout"; }

void* CHorizontalLayoutUI::FindInterface(LPCWSTR name) {
  if (name != nullptr && std::wcscmp(name, L"HorizontalLayout") == 0) return this;
  return CBoxLayoutUI::FindInterface(name);
}

}  // namespace SkinUI
