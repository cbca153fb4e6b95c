// The configuration dialog's logic that needs no dialog: where a minimised dialog draws its icon, the
// colour swatch answering the control-colour message that its parent reflects to it, and the hot key's
// presses told from its repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

// In the order the dialog handles them: hot-key messages ('P', sent at `time`, judged at the latest time
// seen so far), looks at the key ('D' down, 'U' up) and the queue running empty ('E'). Times are 64-bit
// ticks; a message carries their low 32 bits.
struct KeyEvent {
    char kind;
    ULONGLONG time;
    bool expected = false;  // 'P': taken; 'E': the key still watched
};

struct PressCase {
    std::string name;
    bool repeatsArrive;
    std::vector<KeyEvent> events;
};

constexpr ULONGLONG kDayMs = 24 * 60 * 60 * 1000;
constexpr ULONGLONG kWrap = 0x100000000;

// A press whose release nobody saw (the machine slept, say), then after `gapMs` another press. The first
// lies shortly before the tick count's wrap.
PressCase PressAfterMissedRelease(const char* name, ULONGLONG gapMs) {
    const ULONGLONG first = kWrap - 0x1000;
    return {name,
            true,
            {{'P', first, true}, {'D', first + 10}, {'E', first + 20, true}, {'P', first + gapMs, true}}};
}

const std::vector<PressCase> kPressCases = {
    // A keyboard repeats no sooner than 250 ms after the press.
    {"RepeatsOfAHeldKey",
     true,
     {{'P', 0, true}, {'D', 10}, {'P', 500, false}, {'D', 510}, {'P', 533, false}}},
    {"ReleaseBetween", true, {{'P', 0, true}, {'U', 10}, {'P', 600, true}}},
    {"HeldKeyStaysWatched", true, {{'P', 0, true}, {'D', 5}, {'E', 35, true}, {'P', 500, false}}},
    // A tap comes before the look that would have seen the last one let go.
    {"TapsBetweenTwoLooks", true, {{'P', 0, true}, {'D', 1}, {'U', 61}, {'P', 60, true}}},
    // While an overlay starts nobody looks, and the messages wait in the queue.
    {"TapsJudgedLate",
     true,
     {{'P', 0, true}, {'D', 1}, {'U', 12}, {'U', 600}, {'P', 150, true}, {'P', 300, true}, {'P', 450, true}}},
    {"RepeatsJudgedLate",
     true,
     {{'P', 0, true},
      {'D', 5},
      {'D', 250},
      {'U', 700},
      {'P', 280, false},
      {'P', 313, false},
      {'U', 720},
      {'E', 730, false},
      {'P', 800, true}}},
    {"MessagesJudgedLate",
     true,
     {{'P', 0, true},
      {'D', 5},
      {'U', 405},
      {'U', 500},
      {'P', 300, false},
      {'P', 333, false},
      {'P', 450, true},
      {'P', 600, true},
      {'U', 610},
      {'E', 620, false},
      {'P', 700, true}}},
    {"AcrossTheTickCountWrap",
     true,
     {{'P', kWrap - 0x100, true},
      {'D', kWrap - 0xF8},
      {'P', kWrap + 0x10, false},
      {'U', kWrap + 0x20},
      {'P', kWrap + 0x30, true}}},
    // A look just before the wrap, a press just after.
    {"PressJustAfterTheWrap",
     true,
     {{'P', kWrap - 0x400, true}, {'D', kWrap - 0x3FB}, {'U', kWrap - 0x10}, {'P', kWrap + 0x5, true}}},
    {"PressJustBeforeTheWrap",
     true,
     {{'P', kWrap - 0x2, true},
      {'D', kWrap + 0x8},
      {'U', kWrap + 0x30},
      {'E', kWrap + 0x50, false},
      {'P', kWrap + 0x90, true}}},
    PressAfterMissedRelease("MissedReleaseThenAMinute", 60 * 1000),
    PressAfterMissedRelease("MissedReleaseThen24Point9Days", kDayMs * 249 / 10),
    // 49.7 days and 5 s: five seconds apart in the 32-bit message time.
    PressAfterMissedRelease("MissedReleaseThenTheWrapAnd5s", kWrap + 5000),
    // Where the system drops the repeats itself, a release never seen costs no press.
    {"MissedReleaseWhereRepeatsAreDropped",
     false,
     {{'P', 0, true}, {'D', 10}, {'E', 20, false}, {'P', 30 * kDayMs, true}}},
};

TEST(HotKeyPressFilterTest, TakesAPressOnlyAfterItsKeyWasSeenUp) {
    for (const PressCase& c : kPressCases) {
        CHotKeyPressFilter filter;
        filter.Reset(c.repeatsArrive);
        ULONGLONG now = 0;
        for (const KeyEvent& event : c.events) {
            now = std::max(now, event.time);
            if (event.kind == 'P') {
                EXPECT_EQ(event.expected, filter.TakePress(static_cast<DWORD>(event.time), now))
                    << c.name << " at " << event.time;
            } else if (event.kind == 'E') {
                filter.QueueEmptied();
                EXPECT_EQ(event.expected, filter.Watching()) << c.name << " watching at " << event.time;
            } else {
                filter.KeySeen(event.kind == 'D', now);
            }
        }
    }
}

}  // namespace
