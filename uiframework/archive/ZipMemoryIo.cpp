#include "uiframework/archive/ZipMemoryIo.h"

#include <cstring>
#include <new>

namespace SkinUI {
namespace {

struct Stream {
  const ZipMemorySource* source;
  std::uint64_t position;
  int error;
};

voidpf ZCALLBACK OpenStream(voidpf, const void* path, int mode) {
  if (path == nullptr || (mode & ZLIB_FILEFUNC_MODE_WRITE) != 0) return nullptr;
  return new (std::nothrow) Stream{static_cast<const ZipMemorySource*>(path), 0, 0};
}

uLong ZCALLBACK ReadStream(voidpf, voidpf opaque, void* buffer, uLong size) {
  auto* stream = static_cast<Stream*>(opaque);
  const std::uint64_t total = stream->source->size;
  if (stream->position >= total) return 0;
  std::uint64_t count = total - stream->position;
  if (count > size) count = size;
  std::memcpy(buffer, stream->source->data + stream->position, static_cast<size_t>(count));
  stream->position += count;
  return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf opaque, const void*, uLong) {
  static_cast<Stream*>(opaque)->error = 1;
  return 0;
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf opaque) { return static_cast<Stream*>(opaque)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf opaque, ZPOS64_T offset, int origin) {
  auto* stream = static_cast<Stream*>(opaque);
  const std::uint64_t total = stream->source->size;
  std::uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = stream->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = total; break;
    default: return -1;
  }
  // Positions past the end are refused rather than clamped, so a lying
  // offset shows up as a failed seek instead of a read of other data.
  if (offset > total || base > total - offset) return -1;
  stream->position = base + offset;
  return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf opaque) {
  delete static_cast<Stream*>(opaque);
  return 0;
}

int ZCALLBACK ErrorStream(voidpf, voidpf opaque) { return static_cast<Stream*>(opaque)->error; }

}  // namespace

void FillMemoryFileFunctions(zlib_filefunc64_def& functions) {
  functions.zopen64_file = OpenStream;
  functions.zread_file = ReadStream;
  functions.zwrite_file = WriteStream;
  functions.ztell64_file = TellStream;
  functions.zseek64_file = SeekStream;
  functions.zclose_file = CloseStream;
  functions.zerror_file = ErrorStream;
  functions.opaque = nullptr;
}

}  // namespace SkinUI
