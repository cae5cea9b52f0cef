#include "uiframework/archive/ZipEntryReader.h"

namespace SkinUI {

EntryReadStatus ReadEntryBytes(ZipArchive* archive, const wchar_t* name, size_t maxBytes, std::string& bytes) {
  bytes.clear();
  int index = -1;
  ZipEntry entry;
  if (FindEntry(archive, name, true, index, entry) != ZipOk) return EntryReadStatus::NotFound;
  if (entry.uncompressedSize == 0) return EntryReadStatus::Empty;
  if (entry.uncompressedSize > maxBytes) return EntryReadStatus::TooLarge;
  bytes.resize(entry.uncompressedSize);
  DWORD read = 0;
  const DWORD result = ExtractToMemory(archive, index, bytes.data(), entry.uncompressedSize, &read);
  if (result == ZipMore) {
    // More data than declared: stop streaming the entry and refuse it.
    DescribeEntry(archive, index, entry);
  }
  if (result != ZipOk || read != entry.uncompressedSize) {
    bytes.clear();
    return EntryReadStatus::Failed;
  }
  return EntryReadStatus::Ok;
}

}  // namespace SkinUI
