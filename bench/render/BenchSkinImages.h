// The benchmark's skin images, written as PNG files into a folder.
#pragma once

#include <string>

// Writes "bk.png" (64x64, rounded translucent frame), "btn.png" (a strip
// of three 24x24 button states), "icon.png" (16x16) and "line.png" (1x8).
// False when a file cannot be written.
bool WriteBenchSkin(const std::string& folder);
// Writes the surface's pixels (premultiplied ARGB32) as a PNG.
bool WriteSurfacePng(const std::string& path, const unsigned char* argb, int width, int height, int stride);
