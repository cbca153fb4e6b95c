// Where a minimised dialog draws its icon in its client area.
#pragma once

#include <windows.h>

// Centred, rounding half a pixel up; the divisions truncate toward zero, so an icon wider than the client
// area by one pixel starts at 0, not -1.
inline POINT MinimisedIconPosition(SIZE client, SIZE icon) {
    return {(client.cx - icon.cx + 1) / 2, (client.cy - icon.cy + 1) / 2};
}
