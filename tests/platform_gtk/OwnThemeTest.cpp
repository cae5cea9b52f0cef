// GTK draws our menus and tool tips with our own theme, not the desktop's,
// unless the user chose a theme (GTK_THEME); the environment programs
// started from ours inherit is the user's.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

#include "platform/window/Menus.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "platform/window/gtk/OwnTheme.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/platform_window/RecordingWindow.h"

namespace {

constexpr std::uint32_t kMenuBackground = 0x131B2E;  // the skin's panel colour
constexpr UINT kDuringMenu = WM_APP + 9;

// What GTK_THEME held when the test program started (before the backend).
const char* UserTheme() {
    static const std::string theme = [] {
        const char* value = std::getenv("GTK_THEME");
        return std::string(value != nullptr ? value : "");
    }();
    return theme.empty() ? nullptr : theme.c_str();
}

std::uint32_t Rgb(const GdkRGBA& c) {
    auto byte = [](double v) { return static_cast<std::uint32_t>(v * 255.0 + 0.5); };
    return (byte(c.red) << 16) | (byte(c.green) << 8) | byte(c.blue);
}

// The background colour the theme gives a node of the name (a menu, a
// tool tip) in a popup window.
std::uint32_t BackgroundOf(const char* node) {
    GtkWidgetPath* path = gtk_widget_path_new();
    gtk_widget_path_append_type(path, GTK_TYPE_WINDOW);
    gtk_widget_path_iter_set_object_name(path, -1, "window");
    gtk_widget_path_append_type(path, GTK_TYPE_WIDGET);
    gtk_widget_path_iter_set_object_name(path, -1, node);
    GtkStyleContext* style = gtk_style_context_new();
    gtk_style_context_set_path(style, path);
    GdkRGBA* colour = nullptr;
    gtk_style_context_get(style, GTK_STATE_FLAG_NORMAL, "background-color", &colour, nullptr);
    const std::uint32_t rgb = colour != nullptr ? Rgb(*colour) : 0xFFFFFFFF;
    if (colour != nullptr) gdk_rgba_free(colour);
    g_object_unref(style);
    gtk_widget_path_unref(path);
    return rgb;
}

class OwnThemeTest : public ::testing::Test {
 protected:
    void SetUp() override {
        UserTheme();
        ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
    }
};

TEST_F(OwnThemeTest, MenusAndToolTipsTakeTheSkinColoursAndTheEnvironmentStaysTheUsers) {
    if (UserTheme() != nullptr) GTEST_SKIP() << "the user chose a theme (GTK_THEME)";
    gchar* name = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-theme-name", &name, nullptr);
    EXPECT_STREQ(name, kOwnThemeName);
    g_free(name);
    EXPECT_EQ(BackgroundOf("menu"), kMenuBackground);
    EXPECT_EQ(BackgroundOf("tooltip"), kMenuBackground);
    EXPECT_EQ(std::getenv("GTK_THEME"), nullptr) << "programs we start get the user's environment";
}

TEST_F(OwnThemeTest, TheNotificationAreaMenuIsDrawnInTheSkinColours) {
    if (UserTheme() != nullptr) GTEST_SKIP() << "the user chose a theme (GTK_THEME)";
    RecordingWindow owner;
    owner.Create(WS_POPUP, 0, 0, 10, 10, nullptr, 0, L"menu owner");
    Screenshot shot;
    owner.On(kDuringMenu, [&shot](HWND, UINT, WPARAM, LPARAM) {
        // Let the menu show, look at it, close it.
        RunLoopUntil([] { return false; }, 700);
        shot = TakeScreenshot(RECT{400, 300, 520, 360});
        Xdotool("key Escape");
        return LRESULT{0};
    });
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 101, L"显示主窗口");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 100, L"退出程序");
    PostMessageW(owner.hwnd(), kDuringMenu, 0, 0);
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 400, 300, 0, owner.hwnd(), nullptr), 0);
    DestroyMenu(menu);
    ASSERT_FALSE(shot.pixels.empty());
    // Inside the border, in the padding above the first item.
    EXPECT_EQ(shot.At(410, 302), kMenuBackground);
    EXPECT_EQ(shot.At(460, 302), kMenuBackground);
}

TEST_F(OwnThemeTest, AThemeTheUserChoseIsKept) {
    if (UserTheme() == nullptr) GTEST_SKIP() << "run with GTK_THEME set";
    EXPECT_STREQ(std::getenv("GTK_THEME"), UserTheme());
    EXPECT_NE(BackgroundOf("menu"), kMenuBackground);
}

}  // namespace
