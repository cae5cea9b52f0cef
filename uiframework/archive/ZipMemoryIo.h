// Low-level I/O functions that let minizip read an archive held in memory.
// Every read and seek is checked against the buffer's length.
#pragma once

#include <minizip/ioapi.h>

#include <cstddef>
#include <cstdint>

namespace SkinUI {

struct ZipMemorySource {
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
};

// Fills functions for minizip's unzOpen2_64; the "path" handed to it must
// be the ZipMemorySource, which must outlive the archive.
void FillMemoryFileFunctions(zlib_filefunc64_def& functions);

}  // namespace SkinUI
