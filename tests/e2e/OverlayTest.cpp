// The overlay process seen from outside: its window's styles, layering, size and position, its running
// flag, and what it does with settings that name no loadable bitmap.
#include "config_harness.h"

namespace e2e {
namespace {

constexpr char kRunning[] = "TobrikCursorRunning";

COLORREF Checkerboard(int x, int y) {
    return (x + y) % 2 ? RGB(255, 0, 0) : RGB(0, 0, 255);
}

// Stores a bitmap of the given size in the temporary directory and names it in the settings.
::testing::AssertionResult StoreBitmap(const TempDirectory& temp, int width, int height) {
    const std::string path =
        temp.File("cursor" + std::to_string(width) + "x" + std::to_string(height) + ".bmp");
    if (!WriteBmpFile(path, width, height, Checkerboard) || !WriteSetting(kBitmapFilePath, path)) {
        return ::testing::AssertionFailure() << "cannot store bitmap " << path;
    }
    return ::testing::AssertionSuccess();
}

// Moves the pointer to each position and expects the window's top-left corner at pointer - hotSpot.
void ExpectFollows(HWND window, Position hotSpot, std::initializer_list<Position> pointers) {
    for (const Position pointer : pointers) {
        ASSERT_TRUE(MoveCursorTo(pointer)) << "pointer did not reach " << pointer;
        const Position expected{pointer.x - hotSpot.x, pointer.y - hotSpot.y};
        EXPECT_TRUE(WaitUntil([&] { return HoldCursorAt(pointer) && WindowTopLeft(window) == expected; },
                              kMoveTimeoutMs))
            << "pointer " << pointer << ", expected top-left " << expected << ", " << Describe(window);
    }
}

// --- Window styles and layering attributes, from the stored colour key and opacity ---

struct LayeringCase {
    const char* name;
    std::optional<DWORD> red, green, blue, opacity;  // absent values are not stored
    Layering expected;
};

class E2eOverlayLayering : public E2eTest, public ::testing::WithParamInterface<LayeringCase> {};

TEST_P(E2eOverlayLayering, StylesKeyAlphaAndSize) {
    const LayeringCase& param = GetParam();
    ASSERT_TRUE(StoreBitmap(temp_, 48, 32));
    const std::pair<const char*, std::optional<DWORD>> stored[] = {
        {kRed, param.red}, {kGreen, param.green}, {kBlue, param.blue}, {kOpacity, param.opacity}};
    for (const auto& [name, value] : stored) {
        if (value) {
            ASSERT_TRUE(WriteSetting(name, *value)) << name;
        }
    }

    ChildProcess overlay(ProgramPath(), kOverlayToken);
    ASSERT_TRUE(overlay.Started()) << overlay.Describe();
    HWND window = WaitForWindowOf(overlay, kOverlayTitle);
    ASSERT_NE(window, nullptr) << "no overlay window; " << DescribeWindowsOf(overlay.Id()) << "; "
                               << DescribeSettings();
    EXPECT_EQ(FindOverlay(), window) << "the lookup by title finds another window";

    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD requiredExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    EXPECT_EQ(exStyle & requiredExStyle, requiredExStyle) << Describe(window);
    EXPECT_EQ(style & (WS_POPUP | WS_DISABLED), static_cast<DWORD>(WS_POPUP | WS_DISABLED))
        << Describe(window);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0u) << Describe(window);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, kMoveTimeoutMs))
        << Describe(window);

    const std::optional<Layering> layering = LayeringOf(window);
    ASSERT_TRUE(layering) << "GetLayeredWindowAttributes failed, error " << GetLastError() << "; "
                          << Describe(window);
    EXPECT_EQ(*layering, param.expected) << DescribeSettings();
    EXPECT_EQ(WindowSize(window), (Extent{48, 32})) << Describe(window);
}

constexpr DWORD kBothFlags = LWA_COLORKEY | LWA_ALPHA;

INSTANTIATE_TEST_SUITE_P(
    , E2eOverlayLayering,
    ::testing::Values(
        LayeringCase{"Opacity200", 0x12, 0x34, 0x56, 200, {RGB(0x12, 0x34, 0x56), 200, kBothFlags}},
        LayeringCase{
            "Opacity511UsesLowByte", 0x12, 0x34, 0x56, 511, {RGB(0x12, 0x34, 0x56), 255, kBothFlags}},
        LayeringCase{"Opacity300UsesLowByte", 0x12, 0x34, 0x56, 300, {RGB(0x12, 0x34, 0x56), 44, kBothFlags}},
        LayeringCase{"Opacity256IsInvisible", 0x12, 0x34, 0x56, 256, {RGB(0x12, 0x34, 0x56), 0, kBothFlags}},
        LayeringCase{"OpacityAbsentIsOpaque",
                     0x12,
                     0x34,
                     0x56,
                     std::nullopt,
                     {RGB(0x12, 0x34, 0x56), 255, kBothFlags}},
        LayeringCase{
            "RedAbove255UsesLowByte", 0x1FF, 0x34, 0x56, 200, {RGB(0xFF, 0x34, 0x56), 200, kBothFlags}},
        LayeringCase{
            "GreenAbove255UsesLowByte", 0x12, 0x1FF, 0x56, 200, {RGB(0x12, 0xFF, 0x56), 200, kBothFlags}},
        LayeringCase{
            "BlueAbove255UsesLowByte", 0x12, 0x34, 0x1FF, 200, {RGB(0x12, 0x34, 0xFF), 200, kBothFlags}},
        LayeringCase{"ColourAbsentIsBlack",
                     std::nullopt,
                     std::nullopt,
                     std::nullopt,
                     200,
                     {RGB(0, 0, 0), 200, kBothFlags}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Following the pointer: the bitmap pixel (column width / 2, row height / 2) lies under it ---

struct FollowCase {
    const char* name;
    int width, height;
    Position centrePixel;
};

class E2eOverlayFollow : public E2eTest, public ::testing::WithParamInterface<FollowCase> {};

TEST_P(E2eOverlayFollow, CentrePixelSitsUnderThePointer) {
    const FollowCase& param = GetParam();
    ASSERT_TRUE(StoreBitmap(temp_, param.width, param.height));
    ChildProcess overlay(ProgramPath(), kOverlayToken);
    HWND window = WaitForWindowOf(overlay, kOverlayTitle);
    ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
    EXPECT_EQ(WindowSize(window), (Extent{param.width, param.height})) << Describe(window);

    const LONG right = GetSystemMetrics(SM_CXSCREEN) - 1, bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
    ExpectFollows(window, param.centrePixel, {{0, 0}, {333, 222}, {right, bottom}, {right / 2, 7}});
}

INSTANTIATE_TEST_SUITE_P(, E2eOverlayFollow,
                         ::testing::Values(FollowCase{"Odd79x77", 79, 77, {39, 38}},
                                           FollowCase{"EvenWidth78x77", 78, 77, {39, 38}},
                                           FollowCase{"SinglePixel", 1, 1, {0, 0}},
                                           FollowCase{"Square100", 100, 100, {50, 50}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Stored paths that name no loadable bitmap ---

enum class StoredPath { MissingFile, Directory, NotABitmap, Empty };
enum class ExpectedSize { Template, DefaultBitmap };

struct FallbackCase {
    const char* name;
    StoredPath stored;
    bool defaultBitmapBesideProgram;
    ExpectedSize expected;
};

class E2eOverlayFallback : public E2eTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(E2eOverlayFallback, SizeAndHotSpot) {
    const FallbackCase& param = GetParam();
    std::string stored;
    switch (param.stored) {
        case StoredPath::MissingFile:
            stored = temp_.File("missing.bmp");
            break;
        case StoredPath::Directory:
            stored = temp_.Path();
            break;
        case StoredPath::NotABitmap:
            stored = temp_.File("not a bitmap.bmp");
            ASSERT_TRUE(WriteTextFile(stored, "this is text"));
            break;
        case StoredPath::Empty:
            break;
    }
    ASSERT_TRUE(WriteSetting(kBitmapFilePath, stored));
    std::string program = ProgramPath();
    if (!param.defaultBitmapBesideProgram) {
        program = CopyProgramTo(temp_.Subdirectory("bare"));
        ASSERT_FALSE(program.empty()) << "cannot copy " << ProgramPath();
    }

    // The working directory holds a Tobrik.bmp; the overlay must look beside its own executable instead.
    ChildProcess overlay(program, kOverlayToken, ThisProgramDirectory());
    HWND window = WaitForWindowOf(overlay, kOverlayTitle);
    ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
    EXPECT_TRUE(WaitUntil([] { return ReadDwordSetting(kRunning) == 1u; }, kMoveTimeoutMs))
        << DescribeSettings();

    Extent size{};
    Position hotSpot{};
    if (param.expected == ExpectedSize::Template) {
        size = DialogUnitsToPixels(181, 145);  // the overlay's dialog template, 8 pt "MS Sans Serif"
        ASSERT_GT(size.width, 0) << "cannot measure dialog units";
    } else {
        const std::optional<Extent> defaultSize = ReadBmpSize(DefaultBitmapPath());
        ASSERT_TRUE(defaultSize) << "cannot read " << DefaultBitmapPath();
        size = *defaultSize;
        hotSpot = {size.width / 2, size.height / 2};
    }
    EXPECT_EQ(WindowSize(window), size) << Describe(window);
    ExpectFollows(window, hotSpot, {{300, 200}, {5, 6}});
    EXPECT_EQ(ReadStringSetting(kBitmapFilePath), stored) << "the stored path was rewritten";
}

INSTANTIATE_TEST_SUITE_P(
    , E2eOverlayFallback,
    ::testing::Values(
        FallbackCase{"MissingFileNoDefault", StoredPath::MissingFile, false, ExpectedSize::Template},
        FallbackCase{"DirectoryNoDefault", StoredPath::Directory, false, ExpectedSize::Template},
        FallbackCase{"MissingFileUsesDefault", StoredPath::MissingFile, true, ExpectedSize::DefaultBitmap},
        FallbackCase{"DirectoryUsesDefault", StoredPath::Directory, true, ExpectedSize::DefaultBitmap},
        FallbackCase{"EmptyUsesDefault", StoredPath::Empty, true, ExpectedSize::DefaultBitmap},
        FallbackCase{"NotABitmapKeepsTemplateSize", StoredPath::NotABitmap, true, ExpectedSize::Template}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Life cycle ---

using E2eOverlay = E2eTest;

TEST_F(E2eOverlay, RunningFlagFollowsTheWindowLifetime) {
    ASSERT_TRUE(WriteSetting(kRunning, 7u));
    ChildProcess overlay(ProgramPath(), kOverlayToken);
    HWND window = WaitForWindowOf(overlay, kOverlayTitle);
    ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
    EXPECT_TRUE(WaitUntil([] { return ReadDwordSetting(kRunning) == 1u; }, kMoveTimeoutMs))
        << DescribeSettings();

    ASSERT_TRUE(SendClose(window)) << "WM_CLOSE not processed, error " << GetLastError();
    EXPECT_TRUE(overlay.WaitForExit(kExitTimeoutMs)) << "the overlay process did not exit";
    EXPECT_EQ(ReadDwordSetting(kRunning), 0u) << DescribeSettings();
    EXPECT_FALSE(IsWindow(window)) << Describe(window);
}

TEST_F(E2eOverlay, ReadsItsSettingsOnlyAtStart) {
    ASSERT_TRUE(StoreBitmap(temp_, 48, 32));
    ASSERT_TRUE(WriteSetting(kOpacity, 200u));
    ASSERT_TRUE(WriteSetting(kRed, 0x12u));
    ChildProcess overlay(ProgramPath(), kOverlayToken);
    HWND window = WaitForWindowOf(overlay, kOverlayTitle);
    ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
    const std::optional<Layering> initial = LayeringOf(window);
    ASSERT_TRUE(initial) << Describe(window);
    ASSERT_EQ(*initial, (Layering{RGB(0x12, 0, 0), 200, LWA_COLORKEY | LWA_ALPHA}));

    ASSERT_TRUE(StoreBitmap(temp_, 100, 100));
    ASSERT_TRUE(WriteSetting(kOpacity, 100u));
    ASSERT_TRUE(WriteSetting(kRed, 0x65u));
    // Twenty ticks in which nothing may change.
    const bool changed = WaitUntil(
        [&] {
            return LayeringOf(window) != initial || WindowSize(window) != Extent{48, 32};
        },
        1000);
    EXPECT_FALSE(changed) << Describe(window);
}

TEST_F(E2eOverlay, NeverTakesTheKeyboardFromTheForegroundWindow) {
    // The user's program has the keyboard when another program starts the overlay with the token, and keeps
    // it while the overlay starts and then follows the pointer over it for twenty ticks.
    OwnWindow own("", {200, 200, 600, 500}, "EDIT");
    if (!own.BringToForeground()) {
        GTEST_SKIP() << "this process may not set the foreground window";
    }
    const KeyboardOwner user{own.Handle(), own.Handle()};
    ChildProcess overlay(ProgramPath(), kOverlayToken);
    HWND window = nullptr;
    EXPECT_TRUE(KeepsTheKeyboard(user, 0, [&] {
        OwnWindow::PumpMessages(0);
        return (window = FindWindowOf(overlay.Id(), kOverlayTitle)) != nullptr;
    }));
    ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
    const Position start = WindowTopLeft(window);
    bool moved = false;
    LONG step = 0;
    EXPECT_TRUE(KeepsTheKeyboard(user, 1000, [&] {
        SetCursorPos(300 + 40 * (step++ % 2), 300);
        OwnWindow::PumpMessages(50);
        moved = moved || WindowTopLeft(window) != start;
        return true;
    })) << Describe(window);
    EXPECT_TRUE(moved) << "the overlay never moved; " << Describe(window);

    // A click through the pointer's colour-key centre gives another program the keyboard, for good. Wine's
    // hit test knows no colour key and gives a synthesised click to the overlay, so there it is hidden first.
    OwnWindow other("", {650, 200, 900, 500}, "EDIT");
    const Extent size = WindowSize(window);
    const Position target{775, 350}, centred{target.x - size.width / 2, target.y - size.height / 2};
    ASSERT_TRUE(MoveCursorTo(target));
    ASSERT_TRUE(WaitUntil([&] { return WindowTopLeft(window) == centred; }, kMoveTimeoutMs))
        << Describe(window);
    if (UnderWine()) {
        ShowWindow(window, SW_HIDE);
    }
    ASSERT_TRUE(ClickAt(target));
    const KeyboardOwner clicked{other.Handle(), other.Handle()};
    ASSERT_TRUE(
        WaitUntil([&] { return OwnWindow::PumpMessages(0), KeyboardNow() == clicked; }, kMoveTimeoutMs))
        << KeyboardNow();
    EXPECT_TRUE(KeepsTheKeyboard(clicked, 2000, [&] {
        OwnWindow::PumpMessages(0);
        return true;
    })) << Describe(window);
}

// The executable in a directory with blanks, started with the path quoted, and unquoted as the
// configuration process starts it.
class E2eOverlayBlankPath : public E2eTest, public ::testing::WithParamInterface<bool> {};

TEST_P(E2eOverlayBlankPath, FindsTheDefaultBitmapBesideIt) {
    const std::string directory = temp_.Subdirectory("dir with blanks");
    const std::string program = CopyProgramTo(directory);
    ASSERT_FALSE(program.empty()) << "cannot copy to " << directory;
    ASSERT_TRUE(WriteBmpFile(directory + "\\Tobrik.bmp", 48, 32, Checkerboard));

    ChildProcess overlay(program, kOverlayToken, {}, GetParam());
    ASSERT_TRUE(overlay.Started()) << overlay.Describe();
    HWND window = WaitForWindowOf(overlay, kOverlayTitle);
    ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
    EXPECT_EQ(WindowSize(window), (Extent{48, 32})) << Describe(window);
}

INSTANTIATE_TEST_SUITE_P(, E2eOverlayBlankPath, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Quoted" : "Unquoted"); });

}  // namespace
}  // namespace e2e
