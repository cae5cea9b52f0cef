// Fuzz target: a remote document as downloaded, through the decryption and
// both JSON readings.
#include "MainWnd/DocumentDecrypt.h"
#include "MainWnd/DocumentJson.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // The file is read up to its first zero byte.
  text = text.substr(0, text.find('\0'));
  std::string plain = DecryptDocument(text);
  ConfigSettings settings;
  ReadConfigSettings(plain, settings);
  std::vector<std::wstring> entries;
  ReadWhitelistEntries(plain, entries);
  return 0;
}
