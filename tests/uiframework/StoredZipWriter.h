// Test fixture: writes small zip archives with stored (uncompressed)
// entries byte by byte, so that tests can give entries any name, extra
// field or (lying) size.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct StoredZipEntry {
  StoredZipEntry(std::string n, std::string d, std::string extra = "")
      : name(std::move(n)), data(std::move(d)), localExtra(std::move(extra)) {}
  std::string name;
  std::string data;
  std::string localExtra;
  // When set, written in place of the real uncompressed and compressed
  // sizes in both headers.
  bool lieAboutSize = false;
  std::uint32_t declaredSize = 0;
  std::uint16_t dosTime = 0x6000;  // 12:00:00
  std::uint16_t dosDate = 0x5821;  // 2024-01-01
};

std::string BuildStoredZip(const std::vector<StoredZipEntry>& entries);
// An extended-timestamp extra block with the given flags and times.
std::string ExtendedTimestampBlock(std::uint8_t flags, const std::vector<std::uint32_t>& times);
