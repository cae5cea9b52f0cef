#include "uiframework/markup/ControlClassTable.h"

#include "uiframework/activex/ActiveXUI.h"
#include "uiframework/activex/WebBrowserUI.h"
#include "uiframework/controls/CheckBoxUI.h"
#include "uiframework/controls/ChrysanthemumLoadingUI.h"
#include "uiframework/controls/GifAnimUI.h"
#include "uiframework/controls/GifButtonUI.h"
#include "uiframework/controls/RotateImageUI.h"
#include "uiframework/controls/TextUI.h"
#include "uiframework/layout/HorizontalLayoutUI.h"
#include "uiframework/layout/ScrollBarUI.h"
#include "uiframework/layout/VerticalLayoutUI.h"

#include <cwchar>
#include <cwctype>

namespace SkinUI {

namespace {

struct ClassRow {
  const wchar_t* name;
  CControlUI* (*create)();
  // Rows compared exactly; the others ignore case.
  bool exactCase = false;
};

template <class T>
CControlUI* Make() {
  return new T;
}

// Rows are added here as the other controls land (the animated controls,
// the list family, ...).
constexpr ClassRow kClasses[] = {
    {L"Control", Make<CControlUI>},
    {L"Container", Make<CContainerUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"VBox", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"HBox", Make<CHorizontalLayoutUI>},
    {L"ScrollBar", Make<CScrollBarUI>},
    {L"Label", Make<CLabelUI>},
    {L"Text", Make<CTextUI>},
    {L"Button", Make<CButtonUI>},
    {L"Option", Make<COptionUI>},
    {L"CheckBox", Make<CCheckBoxUI>},
    {L"GifAnim", Make<CGifAnimUI>, true},
    {L"GifButton", Make<CGifButtonUI>},
    {L"RotateImage", Make<CRotateImageUI>},
    {L"ChrysanthemumLoading", Make<CChrysanthemumLoadingUI>},
    {L"ActiveX", Make<CActiveXUI>},
    {L"WebBrowser", Make<CWebBrowserUI>},
};

bool SameIgnoringCase(const wchar_t* a, const wchar_t* b) {
  for (; *a != 0 && *b != 0; ++a, ++b)
    if (std::towlower(static_cast<wint_t>(*a)) != std::towlower(static_cast<wint_t>(*b))) return false;
  return *a == *b;
}

}  // namespace

CControlUI* CreateControlByClass(LPCWSTR elementName) {
  if (elementName == nullptr) return nullptr;
  for (const ClassRow& row : kClasses)
    if (row.exactCase ? std::wcscmp(row.name, elementName) == 0 : SameIgnoringCase(row.name, elementName))
      return row.create();
  return nullptr;
}

}  // namespace SkinUI
