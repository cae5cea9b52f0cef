// Fuzz target: the status interface's report line as its readers take it:
// whatever is accepted writes back to a line that reads the same.
#include "outside/local/StatusLine.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  ProxyStatus status;
  if (!ParseStatusLine(line, status)) return 0;
  ProxyStatus again;
  if (!ParseStatusLine(FormatStatusLine(status), again)) __builtin_trap();
  if (FormatStatusLine(again) != FormatStatusLine(status)) __builtin_trap();
  return 0;
}
