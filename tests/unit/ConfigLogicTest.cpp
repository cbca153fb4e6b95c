// The configuration dialog's logic that needs no dialog: where a minimised dialog draws its icon, the
// colour swatch answering the control-colour message that its parent reflects to it, and the hot key's
// presses told from its repeats.
#include <gtest/gtest.h>

#include "config/ColorStatic.h"
#include "config/HotKeyPressFilter.h"
#include "config/IconPlacement.h"

namespace {

struct IconCase {
    SIZE client, icon;
    POINT at;
};

const IconCase kIconCases[] = {
    {{36, 36}, {32, 32}, {2, 2}},   {{37, 37}, {32, 32}, {3, 3}},  // half a pixel rounds up
    {{30, 36}, {32, 32}, {0, 2}},                                  // one pixel too narrow: 0, not -1
    {{29, 29}, {32, 32}, {-1, -1}}, {{32, 32}, {32, 32}, {0, 0}}, {{160, 28}, {48, 48}, {56, -9}},
};

TEST(MinimisedIconTest, CentresTheIconTruncatingTowardZero) {
    for (const IconCase& c : kIconCases) {
        const POINT at = MinimisedIconPosition(c.client, c.icon);
        EXPECT_EQ(c.at.x, at.x) << "client " << c.client.cx << " x " << c.client.cy << ", icon " << c.icon.cx;
        EXPECT_EQ(c.at.y, at.y) << "client " << c.client.cx << " x " << c.client.cy << ", icon " << c.icon.cy;
    }
}

// A parent window bound to a plain CWnd, so that it reflects control colours, with the swatch as its child.
class ColorSwatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_parentWindow =
            ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 40, nullptr, nullptr, nullptr, nullptr);
        m_swatchWindow = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT, 0, 0, 50, 14, m_parentWindow,
                                           nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_parent.SubclassWindow(m_parentWindow));
        ASSERT_TRUE(m_swatch.SubclassWindow(m_swatchWindow));
    }
    void TearDown() override { ::DestroyWindow(m_parentWindow); }

    // What the parent answers when its static child asks for its colours.
    HBRUSH ParentAnswer() const {
        const HDC dc = ::GetDC(m_swatchWindow);
        const LRESULT answer = ::SendMessageA(m_parentWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                              reinterpret_cast<LPARAM>(m_swatchWindow));
        ::ReleaseDC(m_swatchWindow, dc);
        return reinterpret_cast<HBRUSH>(answer);
    }
    static COLORREF BrushColor(HBRUSH brush) {
        LOGBRUSH description{};
        EXPECT_EQ(static_cast<int>(sizeof description),
                  ::GetObjectA(brush, sizeof description, &description));
        EXPECT_EQ(static_cast<UINT>(BS_SOLID), description.lbStyle);
        return description.lbColor;
    }

    HWND m_parentWindow = nullptr;
    HWND m_swatchWindow = nullptr;
    CWnd m_parent;
    CColorStatic m_swatch;
};

TEST_F(ColorSwatchTest, AnswersWithABrushOfItsColourOnlyAfterRebuild) {
    const HBRUSH beforeAnyColour = ParentAnswer();
    m_swatch.SetColor(RGB(12, 200, 77));
    EXPECT_EQ(beforeAnyColour, ParentAnswer()) << "the colour alone must not change the swatch";

    HBRUSH previous = nullptr;
    for (const COLORREF color : {RGB(12, 200, 77), RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255)}) {
        m_swatch.SetColor(color);
        m_swatch.RebuildBrush();
        const HBRUSH brush = ParentAnswer();
        ASSERT_NE(nullptr, brush);
        EXPECT_EQ(color, BrushColor(brush));
        if (previous != nullptr) {
            // One brush per swatch: the one shown before is gone.
            EXPECT_EQ(0u, ::GetObjectType(previous)) << "brush of the previous colour still alive";
        }
        previous = brush;
    }
}

TEST_F(ColorSwatchTest, OtherControlsGetTheParentsDefault) {
    m_swatch.SetColor(RGB(255, 0, 0));
    m_swatch.RebuildBrush();
    const HWND other = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 20, 50, 14, m_parentWindow, nullptr,
                                         nullptr, nullptr);
    const HDC dc = ::GetDC(other);
    const auto answer = reinterpret_cast<HBRUSH>(::SendMessageA(
        m_parentWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(other)));
    ::ReleaseDC(other, dc);
    EXPECT_NE(ParentAnswer(), answer);
}

// Hot-key messages ('P') and releases ('R') in the order the dialog handles them; a release may be handled
// after hot-key messages that came later.
struct KeyEvent {
    char kind;
    UINT key;
    DWORD time;
    bool taken;  // for 'P'
};

struct PressCase {
    const char* name;
    bool releasesSeen;
    std::vector<KeyEvent> events;
};

const PressCase kPressCases[] = {
    {"RepeatsOfAHeldKey", true, {{'P', VK_F9, 0, true}, {'P', VK_F9, 33, false}, {'P', VK_F9, 66, false}}},
    {"ReleaseBetween", true, {{'P', VK_F9, 0, true}, {'R', VK_F9, 10, false}, {'P', VK_F9, 60, true}}},
    // A quick press: its release is handled before its own hot-key message.
    {"ReleaseHandledFirst", true, {{'R', VK_F9, 0, false}, {'P', VK_F9, 0, true}, {'P', VK_F9, 60, true}}},
    {"ReleasesHandledLate",
     true,
     {{'P', VK_F9, 0, true},
      {'R', VK_F9, 100, false},
      {'R', VK_F9, 170, false},
      {'P', VK_F9, 33, false},
      {'P', VK_F9, 160, true},
      {'P', VK_F9, 165, false},
      {'P', VK_F9, 300, true}}},
    {"OtherKeysReleaseDoesNotCount",
     true,
     {{'P', VK_F9, 0, true}, {'R', VK_F8, 10, false}, {'P', VK_F9, 50, false}}},
    {"AcrossTheTickCountWrap",
     true,
     {{'P', VK_F9, 0xFFFFFFF0, true},
      {'P', VK_F9, 0x2, false},
      {'R', VK_F9, 0x5, false},
      {'P', VK_F9, 0x20, true}}},
    {"WithoutReleasesEveryMessageCounts", false, {{'P', VK_F9, 0, true}, {'P', VK_F9, 33, true}}},
};

TEST(HotKeyPressFilterTest, TakesAPressOnlyAfterItsKeyWasReleased) {
    for (const PressCase& c : kPressCases) {
        CHotKeyPressFilter filter;
        filter.Reset(VK_F9, c.releasesSeen);
        for (const KeyEvent& event : c.events) {
            if (event.kind == 'R') {
                filter.KeyReleased(event.key, event.time);
            } else {
                EXPECT_EQ(event.taken, filter.TakePress(event.time)) << c.name << " at " << event.time;
            }
        }
    }
}

}  // namespace
