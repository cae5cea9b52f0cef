// Fuzz target: MatchWhitelist. The input is split at the first zero byte
// into the list text (entries separated by line feeds) and the address.
#include "MainWnd/Whitelist.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t split = text.find('\0');
  std::string listText = text.substr(0, split);
  std::string address = split == std::string::npos ? std::string() : text.substr(split + 1);

  WhitelistEntries entries;
  size_t start = 0;
  while (start <= listText.size()) {
    size_t end = listText.find('\n', start);
    if (end == std::string::npos) end = listText.size();
    entries.emplace_back(listText.begin() + static_cast<std::ptrdiff_t>(start),
                         listText.begin() + static_cast<std::ptrdiff_t>(end));
    start = end + 1;
  }
  std::wstring wideAddress(address.begin(), address.end());
  bool matched = MatchWhitelist(entries, wideAddress);
  // An entry whose key is the whole address always matches.
  if (!matched) {
    for (const std::wstring& entry : entries)
      if (entry.find(L'?') == std::wstring::npos && entry == wideAddress) __builtin_trap();
  }
  return 0;
}
