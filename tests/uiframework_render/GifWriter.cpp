#include "tests/uiframework_render/GifWriter.h"

namespace {

void Put16(std::string& out, int value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

// LZW with a minimum code size of 2: a clear code before every second
// index keeps the codes 3 bits wide, which every decoder accepts.
std::string EncodeIndices(const std::vector<std::uint8_t>& indices) {
  std::vector<int> codes;
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % 2 == 0) codes.push_back(4);
    codes.push_back(indices[i] & 3);
  }
  codes.push_back(5);
  std::string packed;
  unsigned bits = 0;
  int count = 0;
  for (int code : codes) {
    bits |= static_cast<unsigned>(code) << count;
    count += 3;
    while (count >= 8) {
      packed += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  }
  if (count > 0) packed += static_cast<char>(bits & 0xFF);
  std::string blocks(1, '\x02');
  for (size_t at = 0; at < packed.size(); at += 255) {
    const std::string part = packed.substr(at, 255);
    blocks += static_cast<char>(part.size());
    blocks += part;
  }
  blocks += '\0';
  return blocks;
}

}  // namespace

std::string EncodeGif(int width, int height, const std::vector<GifFrame>& frames) {
  std::string out = "GIF89a";
  Put16(out, width);
  Put16(out, height);
  out += '\x81';  // a global palette of 4 colours
  out += '\0';
  out += '\0';
  out += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 12);
  for (const GifFrame& frame : frames) {
    out += std::string("\x21\xF9\x04\x00", 4);
    Put16(out, frame.delayCentiseconds);
    out += std::string("\x00\x00", 2);
    out += '\x2C';
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out += '\0';
    out += EncodeIndices(frame.indices);
  }
  out += '\x3B';
  return out;
}

GifFrame SolidGifFrame(int width, int height, std::uint8_t index, int delayCentiseconds) {
  GifFrame frame;
  frame.indices.assign(static_cast<size_t>(width) * static_cast<size_t>(height), index);
  frame.delayCentiseconds = delayCentiseconds;
  return frame;
}
