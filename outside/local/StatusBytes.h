// Byte counts as the status is shown to people: "512 B", "12.3 KB",
// "8.4 MB", "1.0 GB", "2.5 TB" (units of 1024, one decimal from KB on).
#pragma once

#include <cstdint>
#include <string>

std::string StatusByteText(std::uint64_t bytes);
