// Fuzz target: the markup parser and the layout builder on arbitrary bytes.
// The first byte picks the encoding; the rest is the document. A document
// that parses is built into a control tree and laid out.
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/DialogBuilder.h"
#include "uiframework/markup/MarkupElement.h"
#include "uiframework/markup/MarkupParser.h"

#include <cstddef>
#include <cstdint>

namespace {

// Touches every element and attribute the way the builder reads them.
void Walk(SkinUI::CMarkupElement element, int depth) {
  for (; element.IsValid(); element = element.GetSibling()) {
    (void)element.GetName();
    (void)element.GetValue();
    const int count = element.GetAttributeCount();
    for (int i = 0; i <= count; ++i) {
      (void)element.GetAttributeName(i);
      (void)element.GetAttributeValue(i);
    }
    wchar_t buffer[8];
    element.GetAttributeValue(L"name", buffer, 8);
    if (depth < 300) Walk(element.GetChild(), depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace SkinUI;
  if (size == 0) return 0;
  CDialogBuilder builder;
  CMarkupParser* parser = builder.GetMarkup();
  if (!parser->LoadFromMem(data + 1, static_cast<DWORD>(size - 1), data[0] % 3)) return 0;
  Walk(parser->GetRoot(), 0);
  CWindowManagerUI manager;
  CControlUI* root = builder.Create(static_cast<IDialogBuilderCallback*>(nullptr), &manager, nullptr);
  if (root != nullptr) {
    manager.AttachRoot(root);
    manager.UpdateLayout(RECT{0, 0, 900, 600});
  }
  CResourceSettingsUI::RemoveAllLanguageStrings();
  return 0;
}
