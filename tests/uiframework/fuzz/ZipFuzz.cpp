// Fuzz target: the skin archive reader on arbitrary bytes. Every entry is
// described and extracted (whole and in small chunks) with a fixed password.
#include "uiframework/archive/ZipArchive.h"
#include "uiframework/archive/ZipEntryReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace SkinUI;
  ZipArchive* archive = OpenArchiveMemory(data, static_cast<DWORD>(size), "s3cret");
  if (archive == nullptr) return 0;
  ZipEntry count;
  DescribeEntry(archive, -1, count);
  const int entries = count.index < 64 ? count.index : 64;
  std::vector<char> chunk(97);
  for (int i = 0; i < entries; ++i) {
    ZipEntry entry;
    if (DescribeEntry(archive, i, entry) != ZipOk) continue;
    std::string bytes;
    ReadEntryBytes(archive, entry.name, 1 << 20, bytes);
    for (int calls = 0; calls < 64; ++calls) {
      DWORD read = 0;
      if (ExtractToMemory(archive, i, chunk.data(), static_cast<DWORD>(chunk.size()), &read) != ZipMore) break;
    }
  }
  int index = -1;
  ZipEntry found;
  FindEntry(archive, L"main.xml", true, index, found);
  CloseArchive(archive);
  return 0;
}
