// Where the overlay window goes so that the pointer lies on its centre pixel.
#pragma once

#include <windows.h>

// The window's top-left corner for the pointer at `pointer`: the pointer lies over the pixel in column
// width / 2 and row height / 2, counted from 0 (for an even size, the right or lower of the middle two).
// Positions are not limited to the screen, and may be negative.
inline POINT OverlayTopLeft(POINT pointer, const RECT& windowRect) {
    const LONG width = windowRect.right - windowRect.left;
    const LONG height = windowRect.bottom - windowRect.top;
    return {pointer.x - width / 2, pointer.y - height / 2};
}
