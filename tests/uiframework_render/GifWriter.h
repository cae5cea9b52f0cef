// A small GIF encoder for tests: frames of palette indices over a fixed
// four-colour palette (0 red, 1 green, 2 blue, 3 white), each with its
// delay in hundredths of a second.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GifFrame {
  std::vector<std::uint8_t> indices;  // width × height, row by row
  int delayCentiseconds = 0;
};

std::string EncodeGif(int width, int height, const std::vector<GifFrame>& frames);
// A frame of one colour.
GifFrame SolidGifFrame(int width, int height, std::uint8_t index, int delayCentiseconds);
