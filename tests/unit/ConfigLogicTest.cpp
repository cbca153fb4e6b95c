// The configuration dialog's logic that needs no dialog: where a minimised dialog draws its icon, the
// colour swatch answering the control-colour message that its parent reflects to it, and the hot key's
// presses told from its repeats.
#include <gtest/gtest.h>

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

// In the order the dialog handles them: hot-key messages ('P', with the message's time), looks at the key
// ('D' down, 'U' up, at tick times) and the queue running empty ('E').
struct KeyEvent {
    char kind;
    DWORD time;
    bool expected = false;  // 'P': taken; 'E': the key still watched
};

struct PressCase {
    std::string name;
    bool repeatsArrive;
    std::vector<KeyEvent> events;
};

constexpr unsigned long long kDayMs = 24 * 60 * 60 * 1000;

// A press let go, then after `gapMs` of nothing a press held long enough for a repeat. The first press
// lies shortly before the tick count's wrap, so every gap of more than a few seconds crosses it.
PressCase PressAfterIdleGap(const char* name, unsigned long long gapMs) {
    // Message times count the milliseconds modulo 2^32.
    const DWORD first = 0xFFFFF000, next = static_cast<DWORD>(first + 90 + gapMs);
    return {name,
            true,
            {{'P', first, true},
             {'U', first + 40},
             {'E', first + 70, false},
             {'P', next, true},
             {'D', next + 5},
             {'P', next + 33, false}}};
}

const std::vector<PressCase> kPressCases = {
    {"RepeatsOfAHeldKey", true, {{'P', 0, true}, {'D', 10}, {'P', 33, false}, {'D', 40}, {'P', 66, false}}},
    {"ReleaseBetween", true, {{'P', 0, true}, {'U', 10}, {'P', 60, true}}},
    {"HeldKeyStaysWatched", true, {{'P', 0, true}, {'D', 5}, {'E', 35, true}, {'P', 40, false}}},
    // While an overlay starts, the key is looked at but hot-key messages wait in the queue.
    {"MessagesJudgedLate",
     true,
     {{'P', 0, true},
      {'D', 5},
      {'U', 105},
      {'U', 200},
      {'U', 400},
      {'P', 33, false},
      {'P', 66, false},
      {'P', 150, true},
      {'U', 610},
      {'P', 165, false},
      {'P', 300, true},
      {'E', 620, false},
      {'P', 700, true}}},
    {"AcrossTheTickCountWrap",
     true,
     {{'P', 0xFFFFFFF0, true},
      {'D', 0xFFFFFFF8},
      {'P', 0x2, false},
      {'U', 0x5},
      {'P', 0x3, false},
      {'P', 0x20, true}}},
    {"PressJustAfterTheWrap", true, {{'P', 0xFFFFFFC0, true}, {'U', 0xFFFFFFE0}, {'P', 0x1, true}}},
    {"PressJustBeforeTheWrap",
     true,
     {{'P', 0xFFFFFFFE, true}, {'D', 0x8}, {'U', 0x30}, {'E', 0x50, false}, {'P', 0x90, true}}},
    PressAfterIdleGap("OneSecondIdle", 1000),
    PressAfterIdleGap("24Point8DaysIdle", kDayMs * 248 / 10),
    PressAfterIdleGap("24Point9DaysIdle", kDayMs * 249 / 10),
    PressAfterIdleGap("25DaysIdle", kDayMs * 25),
    PressAfterIdleGap("30DaysIdle", kDayMs * 30),
    PressAfterIdleGap("49Point7DaysIdle", kDayMs * 497 / 10),
    PressAfterIdleGap("60DaysIdle", kDayMs * 60),
    // Where the system drops the repeats itself, a release never seen costs no press.
    {"MissedReleaseWhereRepeatsAreDropped",
     false,
     {{'P', 0, true}, {'D', 10}, {'E', 20, false}, {'P', static_cast<DWORD>(30 * kDayMs), true}}},
};

TEST(HotKeyPressFilterTest, TakesAPressOnlyAfterItsKeyWasSeenUp) {
    for (const PressCase& c : kPressCases) {
        CHotKeyPressFilter filter;
        filter.Reset(c.repeatsArrive);
        for (const KeyEvent& event : c.events) {
            if (event.kind == 'P') {
                EXPECT_EQ(event.expected, filter.TakePress(event.time)) << c.name << " at " << event.time;
            } else if (event.kind == 'E') {
                filter.QueueEmptied();
                EXPECT_EQ(event.expected, filter.Watching()) << c.name << " watching at " << event.time;
            } else {
                filter.KeySeen(event.kind == 'D', event.time);
            }
        }
    }
}

}  // namespace
