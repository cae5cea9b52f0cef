// Reading one whole entry of the skin archive into memory, as the markup
// and image loaders do: the entry is found by name ignoring case, its
// declared size must lie in 1..maxBytes, and the data must match that size
// exactly (shorter or longer data is a damaged entry, never a silently cut
// or partly uninitialised buffer).
#pragma once

#include "uiframework/archive/ZipArchive.h"

#include <string>

namespace SkinUI {

enum class EntryReadStatus {
  Ok,
  NotFound,  // no entry of that name
  Empty,     // declared size 0
  TooLarge,  // declared size above maxBytes
  Failed,    // extraction failed (password, damaged data, lying sizes)
};

EntryReadStatus ReadEntryBytes(ZipArchive* archive, const wchar_t* name, size_t maxBytes, std::string& bytes);

}  // namespace SkinUI
