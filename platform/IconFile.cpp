#include "platform/IconFile.h"

bool ParseIconFile(const void* data, size_t size, std::vector<IconFileImage>& images) {
  images.clear();
  auto* bytes = static_cast<const BYTE*>(data);
  auto word = [bytes](size_t at) { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); };
  auto dword = [bytes](size_t at) {
    return static_cast<DWORD>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                              (static_cast<DWORD>(bytes[at + 3]) << 24));
  };
  if (!data || size < 6 || word(0) != 0 || word(2) != 1) return false;
  const WORD count = word(4);
  if (count == 0 || size < 6 + 16u * count) return false;
  for (WORD i = 0; i < count; ++i) {
    const size_t at = 6 + 16u * i;
    const DWORD length = dword(at + 8), offset = dword(at + 12);
    if (offset > size || length > size - offset || length == 0) {
      images.clear();
      return false;
    }
    images.push_back({bytes[at], bytes[at + 1], bytes[at + 2], word(at + 4), word(at + 6), bytes + offset, length});
  }
  return true;
}
