// Reading one skin file (a layout, an image) whole: from the skin archive
// while one is set (CResourceSettingsUI), otherwise from the file resource
// path + name. Both paths refuse files larger than the caller's limit
// before allocating, and never hand out a short or overlong read.
#pragma once

#include "platform/Types.h"

#include <string>

namespace SkinUI {

// Size limits of skin files: layouts, and images (before decoding).
constexpr size_t kMaxMarkupFileBytes = 4u * 1024 * 1024;
constexpr size_t kMaxImageFileBytes = 16u * 1024 * 1024;

enum class SkinFileStatus {
  Ok,
  FileOpenFailed,
  FileEmpty,
  FileTooLarge,
  FileReadFailed,
  ZipOpenFailed,
  ZipEntryMissing,
  ZipEntryEmpty,
  ZipEntryTooLarge,
  ZipReadFailed,
};

SkinFileStatus ReadSkinFile(LPCWSTR name, size_t maxBytes, std::string& bytes);

}  // namespace SkinUI
