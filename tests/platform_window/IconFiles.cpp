#include "tests/platform_window/IconFiles.h"

#include <cairo.h>

std::string SolidPng(int size, unsigned rgb) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

std::string IconFile(const std::vector<std::pair<int, std::string>>& images) {
    auto put16 = [](std::string& s, unsigned v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); };
    auto put32 = [&](std::string& s, unsigned v) { put16(s, v & 0xFFFF), put16(s, v >> 16); };
    std::string file;
    put16(file, 0), put16(file, 1), put16(file, static_cast<unsigned>(images.size()));
    const size_t offset = 6 + 16 * images.size();
    std::string data;
    for (const auto& [size, png] : images) {
        file += char(size), file += char(size), file += char(0), file += char(0);
        put16(file, 1), put16(file, 32), put32(file, static_cast<unsigned>(png.size()));
        put32(file, static_cast<unsigned>(offset + data.size()));
        data += png;
    }
    return file + data;
}
