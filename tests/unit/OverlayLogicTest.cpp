// The overlay's placement and the role selection from the command line.
#include <gtest/gtest.h>

#include "app/OverlayContract.h"
#include "overlay/OverlayGeometry.h"

namespace {

struct PlacementCase {
    POINT pointer;
    LONG width, height;
    POINT topLeft;
};

// The pointer lies over the pixel in column width / 2 and row height / 2.
const PlacementCase kPlacements[] = {
    {{500, 400}, 79, 77, {461, 362}},  // exact centre (39, 38)
    {{500, 400}, 78, 77, {461, 362}},  // even width: the right one of the two middle columns
    {{500, 400}, 1, 1, {500, 400}},       {{0, 0}, 100, 100, {-50, -50}},
    {{-1280, -20}, 96, 96, {-1328, -68}},  // a monitor left of and above the primary one
    {{300, 200}, 0, 0, {300, 200}},        // nothing loaded: the top-left corner on the pointer
};

TEST(OverlayPlacementTest, PutsTheCentrePixelUnderThePointer) {
    for (const PlacementCase& c : kPlacements) {
        // The window rectangle is measured in screen coordinates, wherever the window happened to be.
        const RECT windowRect = {37, -5, 37 + c.width, -5 + c.height};
        const POINT topLeft = OverlayTopLeft(c.pointer, windowRect);
        EXPECT_EQ(c.topLeft.x, topLeft.x) << c.width << " x " << c.height << " at " << c.pointer.x;
        EXPECT_EQ(c.topLeft.y, topLeft.y) << c.width << " x " << c.height << " at " << c.pointer.y;
    }
}

struct TokenCase {
    const char* commandTail;
    bool overlay;
};

const TokenCase kTokenCases[] = {
    {":LaunchTobrikCursor", true},
    {"  :LaunchTobrikCursor \t\r\n", true},
    {"first :LaunchTobrikCursor last", true},
    {"xx:LaunchTobrikCursoryy", true},
    {":launchtobrikcursor", false},
    {":LAUNCHTOBRIKCURSOR", false},
    {":LaunchTobrik Cursor", false},
    {"", false},
    {"   ", false},
    {"/config", false},
};

TEST(OverlayTokenTest, SelectsTheOverlayRoleWhereverItStands) {
    for (const TokenCase& c : kTokenCases) {
        EXPECT_EQ(c.overlay, HasOverlayToken(c.commandTail)) << '"' << c.commandTail << '"';
    }
}

}  // namespace
