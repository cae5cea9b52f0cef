#include "platform/window/gtk/KeyMapping.h"

#include <gdk/gdk.h>

#include "platform/window/Messages.h"

namespace {

constexpr int VK_INSERT = 0x2D;
constexpr int VK_F1 = 0x70;
constexpr int VK_OEM_PERIOD = 0xBE;

struct Pair {
    unsigned keyval;
    int vk;
};

constexpr Pair kNamed[] = {
    {GDK_KEY_BackSpace, VK_BACK},   {GDK_KEY_Tab, VK_TAB},         {GDK_KEY_ISO_Left_Tab, VK_TAB},
    {GDK_KEY_Return, VK_RETURN},    {GDK_KEY_KP_Enter, VK_RETURN}, {GDK_KEY_Escape, VK_ESCAPE},
    {GDK_KEY_space, VK_SPACE},      {GDK_KEY_Page_Up, VK_PRIOR},   {GDK_KEY_Page_Down, VK_NEXT},
    {GDK_KEY_End, VK_END},          {GDK_KEY_Home, VK_HOME},       {GDK_KEY_Left, VK_LEFT},
    {GDK_KEY_Up, VK_UP},            {GDK_KEY_Right, VK_RIGHT},     {GDK_KEY_Down, VK_DOWN},
    {GDK_KEY_Insert, VK_INSERT},    {GDK_KEY_Delete, VK_DELETE},   {GDK_KEY_KP_Delete, VK_DELETE},
    {GDK_KEY_Shift_L, VK_SHIFT},    {GDK_KEY_Shift_R, VK_SHIFT},   {GDK_KEY_Control_L, VK_CONTROL},
    {GDK_KEY_Control_R, VK_CONTROL}, {GDK_KEY_Alt_L, VK_MENU},     {GDK_KEY_Alt_R, VK_MENU},
    {GDK_KEY_period, VK_OEM_PERIOD},
};

}  // namespace

int VirtualKeyFromKeyval(unsigned keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<int>(keyval - GDK_KEY_a) + 'A';
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<int>(keyval - GDK_KEY_A) + 'A';
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<int>(keyval - GDK_KEY_0) + '0';
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return static_cast<int>(keyval - GDK_KEY_KP_0) + '0';
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return static_cast<int>(keyval - GDK_KEY_F1) + VK_F1;
    for (const Pair& pair : kNamed) {
        if (pair.keyval == keyval) return pair.vk;
    }
    return 0;
}

wchar_t UntranslatedChar(unsigned keyval) {
    const int vk = VirtualKeyFromKeyval(keyval);
    // Letters, digits and these keys are typed by the translation.
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_TAB ||
        vk == VK_ESCAPE || vk == VK_BACK) {
        return 0;
    }
    const guint32 code = gdk_keyval_to_unicode(keyval);
    if (code < 0x20 || code == 0x7F) return 0;
    return static_cast<wchar_t>(code);
}
