// Native key symbols in terms of the window system's virtual keys.
#pragma once

// The virtual key of a GDK key value, 0 when it has none. Letters map to
// their upper-case key whatever the shift state.
int VirtualKeyFromKeyval(unsigned keyval);

// The character a key press types that the window system's own
// translation (TranslateMessage) does not produce from the virtual key;
// 0 when the key types nothing or the translation covers it.
wchar_t UntranslatedChar(unsigned keyval);
