// Test support: icon files made in memory, laid out as on disk.
#pragma once

#include <string>
#include <utility>
#include <vector>

// A PNG of size × size pixels of one opaque colour (0xRRGGBB).
std::string SolidPng(int size, unsigned rgb);

// An icon file holding the given (size, PNG data) images.
std::string IconFile(const std::vector<std::pair<int, std::string>>& images);
