// The encodings of stored settings: the colour key's three bytes and the hot-key modifier flags.
#pragma once

#include <windows.h>

// The colour key from its stored components; only the low 8 bits of each count.
constexpr COLORREF ColorKeyFromComponents(UINT red, UINT green, UINT blue) {
    return ((blue & 0xFF) << 16) | ((green & 0xFF) << 8) | (red & 0xFF);
}

// The modifier flags are stored as RegisterHotKey takes them (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4,
// MOD_WIN 8) and shown by the hot-key control as HOTKEYF_SHIFT 1, HOTKEYF_CONTROL 2, HOTKEYF_ALT 4,
// HOTKEYF_EXT 8. The control's extended-key flag maps to MOD_WIN and back: stored settings rely on it.
constexpr WORD HotKeyControlFlagsFromStored(WORD stored) {
    WORD control = stored & 0x2;
    if (stored & 0x1)
        control |= 0x4;
    if (stored & 0x4)
        control |= 0x1;
    if (stored & 0x8)
        control |= 0x8;
    return control;
}

constexpr WORD StoredFlagsFromHotKeyControl(WORD control) {
    WORD stored = control & 0x2;
    if (control & 0x4)
        stored |= 0x1;
    if (control & 0x1)
        stored |= 0x4;
    if (control & 0x8)
        stored |= 0x8;
    return stored;
}
