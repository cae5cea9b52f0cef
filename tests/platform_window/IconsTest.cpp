// Icons from icon groups registered the way the build embeds the program
// icon: decoded, chosen by size, scaled, and set on windows.
#include "platform/window/Icons.h"
#include "tests/platform_window/IconFiles.h"

#include <cairo.h>
#include <gtest/gtest.h>

namespace {

unsigned Pixel(HICON icon, int x, int y) {
    cairo_surface_t* s = GetIconSurface(icon);
    cairo_surface_flush(s);
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t*>(row)[x];
}

int Width(HICON icon) { return cairo_image_surface_get_width(GetIconSurface(icon)); }

TEST(Icons, TheNearestLargerImageIsChosenAndScaled) {
    static const std::string file = IconFile({{16, SolidPng(16, 0xFF0000)}, {32, SolidPng(32, 0x0000FF)}});
    ASSERT_TRUE(RegisterIconFileResource(MAKEINTRESOURCEW(7101), file.data(), file.size()));

    HICON small = LoadImageW(nullptr, MAKEINTRESOURCEW(7101), IMAGE_ICON, 16, 16, 0);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(Width(small), 16);
    EXPECT_EQ(Pixel(small, 8, 8), 0xFFFF0000u);

    HICON mid = LoadImageW(nullptr, MAKEINTRESOURCEW(7101), IMAGE_ICON, 24, 24, 0);
    ASSERT_NE(mid, nullptr);
    EXPECT_EQ(Width(mid), 24);
    EXPECT_EQ(Pixel(mid, 12, 12), 0xFF0000FFu);  // from the 32-pixel image

    HICON big = LoadIconW(nullptr, MAKEINTRESOURCEW(7101));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(Width(big), 32);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(7101)), big);  // shared: loaded once
    EXPECT_FALSE(DestroyIcon(big));                               // and kept for the process

    HICON huge = LoadImageW(nullptr, MAKEINTRESOURCEW(7101), IMAGE_ICON, 48, 48, 0);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(Pixel(huge, 40, 40), 0xFF0000FFu);  // the largest there is, scaled up

    EXPECT_TRUE(DestroyIcon(small));
    EXPECT_FALSE(DestroyIcon(small));
    EXPECT_TRUE(DestroyIcon(mid));
    EXPECT_TRUE(DestroyIcon(huge));
}

TEST(Icons, MissingOrDamagedIconsLoadNothing) {
    EXPECT_EQ(LoadImageW(nullptr, MAKEINTRESOURCEW(7199), IMAGE_ICON, 32, 32, 0), nullptr);
    const std::string notIcon = "GIF89a";
    EXPECT_FALSE(RegisterIconFileResource(MAKEINTRESOURCEW(7102), notIcon.data(), notIcon.size()));
    std::string truncated = IconFile({{32, SolidPng(32, 0x00FF00)}});
    truncated.resize(truncated.size() - 10);
    EXPECT_FALSE(RegisterIconFileResource(MAKEINTRESOURCEW(7103), truncated.data(), truncated.size()));
    static const std::string notPng = IconFile({{32, std::string(64, 'x')}});
    ASSERT_TRUE(RegisterIconFileResource(MAKEINTRESOURCEW(7104), notPng.data(), notPng.size()));
    EXPECT_EQ(LoadImageW(nullptr, MAKEINTRESOURCEW(7104), IMAGE_ICON, 32, 32, 0), nullptr);
}

TEST(Icons, WindowsKeepTheirBigAndSmallIcons) {
    static const std::string file = IconFile({{16, SolidPng(16, 0xFF0000)}, {32, SolidPng(32, 0x0000FF)}});
    ASSERT_TRUE(RegisterIconFileResource(MAKEINTRESOURCEW(7105), file.data(), file.size()));
    WNDCLASSEXW cls;
    cls.lpfnWndProc = DefWindowProcW;
    cls.lpszClassName = L"IconTestWindow";
    RegisterClassExW(&cls);
    HWND hwnd = CreateWindowExW(0, L"IconTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(7105));
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    DestroyWindow(hwnd);
}

}  // namespace
