// A skinned window takes its big and small icons from an icon group of the
// resource module, sized from the system's icon sizes.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/window/Icons.h"
#include "tests/platform_window/IconFiles.h"
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"

namespace skintest {
namespace {

int IconWidth(LRESULT icon) {
    return cairo_image_surface_get_width(GetIconSurface(reinterpret_cast<HICON>(icon)));
}

TEST(WindowIcon, SetIconLoadsTheBigAndTheSmallSize) {
    TempMachineRoot root;
    static const std::string file = IconFile({{48, SolidPng(48, 0x0080FF)}});
    ASSERT_TRUE(RegisterIconFileResource(MAKEINTRESOURCEW(8101), file.data(), file.size()));
    SkinTestWindow window;
    ASSERT_NE(window.Open(0, 0, 100, 50), nullptr);
    EXPECT_FALSE(window.SetIcon(8199));  // no such group
    ASSERT_TRUE(window.SetIcon(8101));
    EXPECT_EQ(IconWidth(window.SendMessage(WM_GETICON, ICON_BIG)), 32);
    EXPECT_EQ(IconWidth(window.SendMessage(WM_GETICON, ICON_SMALL)), 16);
    ::DestroyWindow(window.GetHWND());
}

}  // namespace
}  // namespace skintest
