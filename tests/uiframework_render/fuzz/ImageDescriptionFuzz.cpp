// Fuzz target: the image description parser and the formatted-text
// scanner on arbitrary text (bytes taken as UTF-8).
#include "platform/CodePage.h"
#include "uiframework/render/HtmlTextScanner.h"
#include "uiframework/render/ImageDescription.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = Utf8ToWideString(std::string(reinterpret_cast<const char*>(data), size));
  SkinUI::ImageDrawSpec drawSpec;
  SkinUI::ImageSource source;
  SkinUI::ParseImageDescription(text.c_str(), drawSpec, source);
  (void)SkinUI::ParseRectValue(text.c_str());

  SkinUI::CHtmlTextScanner scanner(text.data(), static_cast<int>(text.size()));
  SkinUI::HtmlToken token;
  int last = -1;
  while (scanner.Next(token)) {
    // Every token lies inside the text and the scan always moves on.
    if (token.start < 0 || token.length < 0 || static_cast<std::size_t>(token.start + token.length) > text.size())
      __builtin_trap();
    if (scanner.Position() <= last) __builtin_trap();
    last = scanner.Position();
  }
  return 0;
}
