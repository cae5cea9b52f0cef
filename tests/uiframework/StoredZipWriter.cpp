#include "StoredZipWriter.h"

#include <zlib.h>

namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::string ExtendedTimestampBlock(std::uint8_t flags, const std::vector<std::uint32_t>& times) {
  std::string block;
  Put16(block, 0x5455);
  Put16(block, static_cast<std::uint32_t>(1 + 4 * times.size()));
  block += static_cast<char>(flags);
  for (std::uint32_t t : times) Put32(block, t);
  return block;
}

std::string BuildStoredZip(const std::vector<StoredZipEntry>& entries) {
  std::string out, central;
  for (const StoredZipEntry& e : entries) {
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    const std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    const std::uint32_t size = e.lieAboutSize ? e.declaredSize : static_cast<std::uint32_t>(e.data.size());
    Put32(out, 0x04034b50);
    Put16(out, 10);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, e.dosTime);
    Put16(out, e.dosDate);
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, static_cast<std::uint32_t>(e.localExtra.size()));
    out += e.name;
    out += e.localExtra;
    out += e.data;

    Put32(central, 0x02014b50);
    Put16(central, 0x0314);  // made by Unix
    Put16(central, 10);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, e.dosTime);
    Put16(central, e.dosDate);
    Put32(central, crc);
    Put32(central, size);
    Put32(central, size);
    Put16(central, static_cast<std::uint32_t>(e.name.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0x81A40000u);  // -rw-r--r--
    Put32(central, offset);
    central += e.name;
  }
  const std::uint32_t centralOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, centralOffset);
  Put16(out, 0);
  return out;
}
