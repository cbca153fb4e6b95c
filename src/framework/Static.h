// A static control.
#pragma once

#include "framework/Wnd.h"

class CStatic : public CWnd {
public:
    // Shows `bitmap` (not owned by the control); returns the image shown before.
    HBITMAP SetBitmap(HBITMAP bitmap) const {
        return reinterpret_cast<HBITMAP>(
            SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
};
