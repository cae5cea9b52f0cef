#include "outside/local/StatusBytes.h"

std::string StatusByteText(std::uint64_t bytes) {
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  // Tenths of the unit, rounded, in integers: exact up to 2^64 - 1.
  int unit = 0;
  std::uint64_t scale = 1024;
  while (unit + 1 < 6 && bytes / scale >= 1024) {
    scale *= 1024;
    ++unit;
  }
  const unsigned __int128 tenths = (static_cast<unsigned __int128>(bytes) * 10 + scale / 2) / scale;
  // 1023.96 KB rounds to 1024.0 KB: shown as the next unit.
  if (tenths >= 10240 && unit + 1 < 6) return StatusByteText(static_cast<std::uint64_t>(scale) * 1024);
  const std::uint64_t whole = static_cast<std::uint64_t>(tenths / 10);
  const unsigned fraction = static_cast<unsigned>(tenths % 10);
  return std::to_string(whole) + "." + std::to_string(fraction) + " " + kUnits[unit];
}
