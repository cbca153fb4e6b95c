// A hot-key control. Its value is a virtual-key code and HOTKEYF_* flags.
#pragma once

#include <commctrl.h>

#include "framework/Wnd.h"

class CHotKeyCtrl : public CWnd {
public:
    void SetHotKey(WORD virtualKey, WORD modifiers) const {
        SendMessage(HKM_SETHOTKEY, MAKEWORD(virtualKey & 0xFF, modifiers & 0xFF), 0);
    }
    void GetHotKey(WORD& virtualKey, WORD& modifiers) const {
        const WORD value = LOWORD(SendMessage(HKM_GETHOTKEY));
        virtualKey = LOBYTE(value);
        modifiers = HIBYTE(value);
    }
};
