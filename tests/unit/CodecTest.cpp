// The hot-key modifier codec between the stored flags and the hot-key control's flags.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "settings/SettingsCodec.h"

namespace {

struct ModifierCase {
    WORD stored;
    WORD control;
};

// Each stored flag and the control flag it shows as.
const ModifierCase kSingleFlags[] = {
    {MOD_ALT, HOTKEYF_ALT},
    {MOD_CONTROL, HOTKEYF_CONTROL},
    {MOD_SHIFT, HOTKEYF_SHIFT},
    {MOD_WIN, HOTKEYF_EXT},
};

TEST(HotKeyCodecTest, MapsEachFlagBothWays) {
    for (const ModifierCase& c : kSingleFlags) {
        EXPECT_EQ(c.control, HotKeyControlFlagsFromStored(c.stored)) << "stored " << c.stored;
        EXPECT_EQ(c.stored, StoredFlagsFromHotKeyControl(c.control)) << "control " << c.control;
    }
}

TEST(HotKeyCodecTest, MapsCombinations) {
    EXPECT_EQ(0x6, HotKeyControlFlagsFromStored(MOD_ALT | MOD_CONTROL));
    EXPECT_EQ(MOD_SHIFT, StoredFlagsFromHotKeyControl(HOTKEYF_SHIFT));
    EXPECT_EQ(MOD_SHIFT | MOD_WIN, StoredFlagsFromHotKeyControl(HOTKEYF_SHIFT | HOTKEYF_EXT));
}

TEST(HotKeyCodecTest, DropsEverythingAboveTheFourFlags) {
    EXPECT_EQ(0, HotKeyControlFlagsFromStored(0x4000));
    EXPECT_EQ(0, StoredFlagsFromHotKeyControl(0x4000));
    EXPECT_EQ(HOTKEYF_ALT, HotKeyControlFlagsFromStored(0xFFF0 | MOD_ALT));
}

TEST(HotKeyCodecTest, EveryCombinationSurvivesTheRoundTrip) {
    for (WORD stored = 0; stored < 16; ++stored) {
        EXPECT_EQ(stored, StoredFlagsFromHotKeyControl(HotKeyControlFlagsFromStored(stored))) << stored;
    }
}

}  // namespace
