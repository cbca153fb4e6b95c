// The configuration dialog seen from outside: the settings its controls show at start, its system menu, the
// Toggle button with the overlay process it starts and stops, and the ways the dialog ends.
#include "config_harness.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <set>
#include <type_traits>
#include <utility>

#include "resource.h"

namespace e2e {
namespace {

// --- The settings shown at start ---

enum class StoredBitmap { None, Bitmap48x32, MissingFile, NotABitmap };

struct ShownCase {
    const char* name;
    std::optional<DWORD> opacity;
    std::optional<COLORREF> colourKey;  // the swatch shows it, or black when none is stored
    StoredBitmap bitmap;
    LRESULT expectedPosition;
    bool showsStoredPath;  // or else the default path beside the executable
    const char* expectedInfo;
};

class E2eConfigShown : public E2eConfigTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(E2eConfigShown, ControlsShowTheStoredSettings) {
    const ShownCase& param = GetParam();
    // A copy of the program alone in its folder, so that no default bitmap lies beside it.
    const std::string directory = temp_.Subdirectory("bare");
    const std::string program = CopyProgramTo(directory);
    ASSERT_FALSE(program.empty()) << "cannot copy " << ProgramPath();
    const std::string defaultBitmap = directory + "\\Tobrik.bmp";
    ASSERT_EQ(GetFileAttributesA(defaultBitmap.c_str()), INVALID_FILE_ATTRIBUTES) << defaultBitmap;

    std::string stored;
    switch (param.bitmap) {
        case StoredBitmap::None:
            break;
        case StoredBitmap::Bitmap48x32:
            stored = temp_.File("cursor.bmp");
            ASSERT_TRUE(WriteBmpFile(stored, 48, 32, [](int, int) { return RGB(0, 0, 255); }));
            break;
        case StoredBitmap::MissingFile:
            stored = temp_.File("missing.bmp");
            break;
        case StoredBitmap::NotABitmap:
            stored = temp_.File("text.bmp");
            ASSERT_TRUE(WriteTextFile(stored, "this is text"));
            break;
    }
    if (param.bitmap != StoredBitmap::None) {
        ASSERT_TRUE(WriteSetting(kBitmapFilePath, stored));
    }
    if (param.opacity) {
        ASSERT_TRUE(WriteSetting(kOpacity, *param.opacity));
    }
    if (const auto key = param.colourKey) {
        ASSERT_TRUE(WriteSetting(kRed, GetRValue(*key)) && WriteSetting(kGreen, GetGValue(*key)) &&
                    WriteSetting(kBlue, GetBValue(*key)));
    }
    const std::string storedSettings = DescribeSettings();

    HWND dialog = StartDialog(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_PATH), param.showsStoredPath ? stored : defaultBitmap);
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_INFO), param.expectedInfo);
    EXPECT_EQ(SendToControl(dialog, IDC_OPACITY, TBM_GETPOS), param.expectedPosition);
    EXPECT_EQ(SendToControl(dialog, IDC_OPACITY, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(SendToControl(dialog, IDC_OPACITY, TBM_GETRANGEMAX), 255);
    EXPECT_EQ(SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY), 0);

    HWND swatch = GetDlgItem(dialog, IDC_COLOR_SWATCH);
    RECT area{};
    GetClientRect(swatch, &area);
    MapWindowPoints(swatch, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const COLORREF key = param.colourKey.value_or(RGB(0, 0, 0));
    const DWORD expected = PixelOf(key);
    std::vector<DWORD> pixels;
    const auto differing = [&] {
        return std::count_if(pixels.begin(), pixels.end(), [&](DWORD pixel) { return pixel != expected; });
    };
    EXPECT_TRUE(WaitUntil([&] { return !(pixels = ScreenPicture(area).pixels).empty() && differing() == 0; },
                          kMoveTimeoutMs))
        << differing() << " of " << pixels.size() << " swatch pixels are not 0x" << std::hex << expected
        << ", the centre one is 0x" << (pixels.empty() ? 0 : pixels[pixels.size() / 2]) << "; "
        << Describe(swatch);
    EXPECT_EQ(DescribeSettings(), storedSettings) << "showing the settings changed them";
}

constexpr StoredBitmap kNone = StoredBitmap::None;
const char kNoInfo[] = "";

INSTANTIATE_TEST_SUITE_P(
    , E2eConfigShown,
    ::testing::Values(
        ShownCase{"EmptySettings", {}, {}, kNone, 255, false, kNoInfo},
        ShownCase{"Opacity300UsesLowByte", 300, {}, kNone, 44, false, kNoInfo},
        ShownCase{"Opacity256UsesLowByte", 256, {}, kNone, 0, false, kNoInfo},
        ShownCase{"Opacity128", 128, {}, kNone, 128, false, kNoInfo},
        ShownCase{"ColourKeyMixed", {}, RGB(12, 200, 77), kNone, 255, false, kNoInfo},
        ShownCase{"ColourKeyWhite", {}, RGB(255, 255, 255), kNone, 255, false, kNoInfo},
        ShownCase{"ColourKeyRed", {}, RGB(255, 0, 0), kNone, 255, false, kNoInfo},
        ShownCase{
            "Bitmap48x32", {}, {}, StoredBitmap::Bitmap48x32, 255, true, "Bitmap Width = 48 Height = 32"},
        ShownCase{"MissingFileShowsDefaultPath", {}, {}, StoredBitmap::MissingFile, 255, false, kNoInfo},
        ShownCase{"NotABitmapShowsNoSize", {}, {}, StoredBitmap::NotABitmap, 255, true, kNoInfo}),
    [](const auto& info) { return std::string(info.param.name); });

using E2eConfigDialog = E2eConfigTest;

// Under Wine another process's menus cannot be read, so the dialog's system menu is compared, as shown, with
// that of a window of this process with the same styles, to which the test appends the expected items.
TEST_F(E2eConfigDialog, SystemMenuEndsWithTheAboutItem) {
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    ThreadWindow reference("reference", style | WS_VISIBLE, {600, 400, 900, 600}, 0);
    HMENU menu = GetSystemMenu(reference.Handle(), FALSE);
    ASSERT_TRUE(menu != nullptr && AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) &&
                AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, "&About Tobrik Mouse..."));
    // Out of the way of both menus, so that the pointer highlights no item.
    ASSERT_TRUE(MoveCursorTo({1200, 1000}));

    const Picture expected = ShownSystemMenu(reference.Handle());
    ASSERT_FALSE(expected.pixels.empty()) << "cannot show the menu of " << Describe(reference.Handle());
    const Picture shown = ShownSystemMenu(dialog);
    ASSERT_EQ(shown.size, expected.size) << "system menu of " << Describe(dialog);
    EXPECT_EQ(std::inner_product(shown.pixels.begin(), shown.pixels.end(), expected.pixels.begin(), 0,
                                 std::plus<>(), std::not_equal_to<>()),
              0)
        << "pixels that differ from the expected menu of " << expected.size;
}

// --- The icon ---

// The size of an icon's colour image; nothing for no icon.
Extent IconExtent(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) {
        return {0, 0};
    }
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return {colour.bmWidth, colour.bmHeight};
}

// Each size Windows asks for from 100 to 200 percent scaling, and Explorer's large icons, is drawn for
// itself in 32 bits with alpha, beside the 16-colour images, and the system's loader reads each one.
TEST_F(E2eConfigDialog, IconHoldsAnImageDrawnForEverySize) {
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> program(
        LoadLibraryExA(ProgramPath().c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE),
        FreeLibrary);
    ASSERT_NE(program, nullptr) << ProgramPath() << ": error " << GetLastError();
    HRSRC found = FindResourceA(program.get(), MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON);
    HGLOBAL loaded = found != nullptr ? LoadResource(program.get(), found) : nullptr;
    const auto* group = static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    ASSERT_NE(group, nullptr) << "no icon group " << IDR_MAINFRAME;
    // The directory: three words, then an entry of 14 bytes for each image, its width first (0 for 256)
    // and its bits per pixel at offset 6.
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    ASSERT_GE(SizeofResource(program.get(), found), 6u + 14u * count);
    std::set<std::pair<int, int>> images;  // size and bits per pixel
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        images.emplace(entry[0] == 0 ? 256 : entry[0], *reinterpret_cast<const WORD*>(entry + 6));
    }
    const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
    std::set<std::pair<int, int>> expected{{16, 4}, {32, 4}};
    for (int size : sizes) {
        expected.emplace(size, 32);
    }
    EXPECT_EQ(images, expected);

    for (int size : sizes) {
        HICON icon = static_cast<HICON>(
            LoadImageA(program.get(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_EQ(IconExtent(icon), (Extent{size, size})) << "loaded at " << size;
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

// --- Display scaling ---

// The display scaling a program gets when it starts: Wine reads it from the user's LogPixels then, Windows
// only at the next sign-in. The value is put back when the object goes.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi) {
        DWORD size = sizeof saved_;
        had_ = RegGetValueA(HKEY_CURRENT_USER, kKey, kName, RRF_RT_REG_DWORD, nullptr, &saved_, &size) ==
               ERROR_SUCCESS;
        set_ = RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kName, REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
    }
    ~LogPixels() {
        had_ ? RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kName, REG_DWORD, &saved_, sizeof saved_)
             : RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kName);
    }
    LogPixels(const LogPixels&) = delete;
    LogPixels& operator=(const LogPixels&) = delete;
    bool Set() const { return set_; }

private:
    static constexpr char kKey[] = "Control Panel\\Desktop";
    static constexpr char kName[] = "LogPixels";
    DWORD saved_ = 0;
    bool had_ = false;
    bool set_ = false;
};

class E2eConfigScaling : public E2eConfigTest, public ::testing::WithParamInterface<int> {};

// The dialog and its texts grow with the scaling, every text whole; the big pointer stays pixel for pixel.
TEST_P(E2eConfigScaling, DialogGrowsWholeAndThePointerStaysPixelForPixel) {
    const int dpi = GetParam();
    LogPixels scaling(static_cast<DWORD>(dpi));
    ASSERT_TRUE(scaling.Set());
    HDC screen = GetDC(nullptr);
    const int sessionDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // Wine 8 reads the scaling at each program's start; Windows at the next sign-in, and Wine 10 keeps the
    // one its session started with.
    if (dpi != sessionDpi && (!UnderWine() || WineMajorVersion() >= 10)) {
        GTEST_SKIP() << "a new scaling takes a new session here; this one has " << sessionDpi;
    }
    ASSERT_TRUE(WriteBmpFile(temp_.File("pointer.bmp"), 50, 40, [](int, int) { return RGB(255, 0, 0); }) &&
                WriteSetting(kBitmapFilePath, temp_.File("pointer.bmp")));
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);

    // The client area of the dialog made here, scaled, within 8 %: a face's hinting rounds its line height,
    // which sets the dialog's, by up to a pixel (5.6 % at 144 DPI with the test prefixes' face). Each text is
    // measured in the dialog's font at this scaling.
    const std::optional<DialogMetrics> here = ProgramDialogHere(IDD_TOBRIKMOUSE_DIALOG);
    ASSERT_TRUE(here) << "the program's dialog cannot be made here";
    const double width = here->client.width * dpi / sessionDpi,
                 height = here->client.height * dpi / sessionDpi;
    RECT client{};
    ASSERT_TRUE(GetClientRect(dialog, &client));
    EXPECT_NEAR(client.right, width, width * 0.08) << Describe(dialog);
    EXPECT_NEAR(client.bottom, height, height * 0.08) << Describe(dialog);
    LOGFONTA scaled = here->font;
    scaled.lfHeight = -MulDiv(MulDiv(-scaled.lfHeight, 72, sessionDpi), dpi, 72);  // the template's points
    const std::unique_ptr<std::remove_pointer_t<HFONT>, decltype(&DeleteObject)> font(
        CreateFontIndirectA(&scaled), DeleteObject);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, font.get());
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(control, &rect);
        OffsetRect(&rect, -origin.x, -origin.y);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom)
            << Describe(control);
        char className[32] = {}, text[256] = {};
        GetClassNameA(control, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0 || lstrcmpiA(className, "Button") == 0) {
            GetWindowTextA(control, text, sizeof text);
            // A label breaks its text into lines where it does not fit; a button shows one line.
            const bool label = lstrcmpiA(className, "Static") == 0;
            RECT extent{0, 0, rect.right - rect.left, 0};
            DrawTextA(dc, text, -1, &extent, DT_CALCRECT | (label ? DT_WORDBREAK : DT_SINGLELINE));
            EXPECT_LE(extent.right, rect.right - rect.left)
                << "\"" << text << "\" cut in " << Describe(control);
            EXPECT_LE(extent.bottom, rect.bottom - rect.top)
                << "\"" << text << "\" cut in " << Describe(control);
        }
    }
    DeleteDC(dc);

    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(WindowSize(overlay), (Extent{50, 40})) << Describe(overlay);
    ASSERT_TRUE(MoveCursorTo({400, 300}));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return WindowTopLeft(overlay) == Position{375, 280};
        },
        kMoveTimeoutMs))
        << Describe(overlay);
}

INSTANTIATE_TEST_SUITE_P(, E2eConfigScaling, ::testing::Values(96, 144, 192),
                         [](const auto& info) { return "Dpi" + std::to_string(info.param); });

// --- Toggle ---

TEST_F(E2eConfigDialog, ToggleStartsOneOverlayThenClosesIt) {
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    const DWORD overlayProcess = ProcessOfWindow(overlay);
    EXPECT_EQ(programs_.Running(), (std::set<DWORD>{dialog_->Id(), overlayProcess}));
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});

    ASSERT_TRUE(SendToControl(dialog, IDC_TOGGLE, BM_CLICK)) << "the dialog did not answer the click";
    EXPECT_TRUE(WaitForProcessExit(overlayProcess, kExitTimeoutMs)) << Describe(overlay);
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{});
    EXPECT_EQ(programs_.Running(), std::set<DWORD>{dialog_->Id()}) << "the second click started a process";
}

// A window that carries the overlay title but never answers: the click gives up on it and starts nothing.
TEST_F(E2eConfigDialog, HungWindowWithTheOverlayTitleDoesNotFreezeIt) {
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    ThreadWindow hung(kOverlayTitle, WS_POPUP, {0, 0, 10, 10}, ThreadWindow::kHung);
    ASSERT_NE(hung.Handle(), nullptr);

    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(PostMessageA(GetDlgItem(dialog, IDC_TOGGLE), BM_CLICK, 0, 0));
    // Posted behind the click, this moves the trackbar only once the dialog has finished with the click.
    ASSERT_TRUE(PostMessageA(GetDlgItem(dialog, IDC_OPACITY), TBM_SETPOS, TRUE, 7));
    EXPECT_TRUE(WaitUntil([&] { return SendToControl(dialog, IDC_OPACITY, TBM_GETPOS) == 7; }, 8000))
        << "the dialog is still busy after " << GetTickCount64() - start << " ms";
    EXPECT_EQ(programs_.Running(), std::set<DWORD>{dialog_->Id()}) << "an overlay process was started";
}

// Any process can send the colour swatch the message by which the dialog hands it a control colour; from
// outside, its lParam is no pointer the dialog's process may read. The module's base is readable there: a
// swatch that read it would answer with its brush.
TEST_F(E2eConfigDialog, ReflectedControlColourFromAnotherProcessIsIgnored) {
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    constexpr UINT kReflectedCtlColor = 0xBC19;
    const LPARAM readable = GetWindowLongPtrA(dialog, GWLP_HINSTANCE);
    for (const LPARAM lParam : {readable, LPARAM{0}, LPARAM{0x10}, static_cast<LPARAM>(-8)}) {
        EXPECT_EQ(SendToControl(dialog, IDC_COLOR_SWATCH, kReflectedCtlColor, 0, lParam), 0) << lParam;
        ASSERT_TRUE(dialog_->IsRunning()) << "lParam " << lParam;
        EXPECT_TRUE(SendToControl(dialog, IDC_OPACITY, TBM_GETPOS).has_value()) << "lParam " << lParam;
    }
}

// --- Where the overlay's executable comes from ---

enum class ProgramFolder { BlanksBesideDecoy, LongPath };

class E2eConfigProgramPath : public E2eConfigTest, public ::testing::WithParamInterface<ProgramFolder> {};

TEST_P(E2eConfigProgramPath, OverlayRunsTheDialogsOwnExecutable) {
    std::string directory;
    if (GetParam() == ProgramFolder::BlanksBesideDecoy) {
        directory = temp_.Subdirectory("dir with blanks");
        // What an unquoted command line would run instead.
        ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), temp_.File("dir.exe").c_str(), FALSE));
    } else {
        // The longest path the program is made for: 255 characters with "\TobrikMouse.exe".
        directory = temp_.Subdirectory(std::string(255 - 16 - temp_.Path().size() - 1, 'x'));
    }
    const std::string program = CopyProgramTo(directory);
    ASSERT_FALSE(program.empty()) << "cannot copy the program to " << directory;

    HWND dialog = StartDialog(program);
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(ProcessImagePath(ProcessOfWindow(overlay)), program);
}

INSTANTIATE_TEST_SUITE_P(, E2eConfigProgramPath,
                         ::testing::Values(ProgramFolder::BlanksBesideDecoy, ProgramFolder::LongPath),
                         [](const auto& info) {
                             return std::string(info.param == ProgramFolder::LongPath ? "LongPath"
                                                                                      : "BlanksBesideDecoy");
                         });

// --- How the dialog ends ---

struct CloseCase {
    const char* name;
    bool (*close)(HWND dialog);
};

class E2eConfigClose : public E2eConfigTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(E2eConfigClose, EndsTheProcessAndLeavesTheOverlayRunning) {
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);

    ASSERT_TRUE(GetParam().close(dialog)) << "cannot close " << Describe(dialog);
    EXPECT_TRUE(dialog_->WaitForExit(kExitTimeoutMs)) << Describe(dialog);
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});
    EXPECT_FALSE(WaitForProcessExit(ProcessOfWindow(overlay), 0)) << "the overlay process ended";
}

INSTANTIATE_TEST_SUITE_P(
    , E2eConfigClose,
    ::testing::Values(
        CloseCase{"CaptionClose",
                  [](HWND dialog) {
                      DWORD_PTR result = 0;
                      return SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL,
                                                 kExitTimeoutMs, &result) != 0;
                  }},
        CloseCase{"WmClose", SendClose},
        CloseCase{"AltF4",
                  [](HWND dialog) {
                      return BringToForeground(dialog) && PressKeys({VK_MENU, VK_F4});
                  }},
        CloseCase{"Escape", [](HWND dialog) { return BringToForeground(dialog) && PressKeys({VK_ESCAPE}); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Enter does not end the dialog. The key pressed after it reaches the focused control only once the dialog
// has handled Enter, so its effect shows that Enter has come and gone.
struct EnterCase {
    const char* name;
    int control;
    WORD nextKey;
    bool (*nextKeyHandled)(HWND dialog);
};

class E2eConfigEnter : public E2eConfigTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(E2eConfigEnter, DoesNotEndTheDialog) {
    const EnterCase& param = GetParam();
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(FocusControl(dialog, param.control)) << Describe(dialog);
    ASSERT_TRUE(PressKeys({VK_RETURN}) && PressKeys({param.nextKey}));
    EXPECT_TRUE(WaitUntil([&] { return param.nextKeyHandled(dialog); }, kMoveTimeoutMs))
        << "the key after Enter had no effect; " << DescribeWindowsOf(dialog_->Id());
    EXPECT_TRUE(dialog_->IsRunning()) << "the dialog process ended";
    EXPECT_TRUE(IsWindowVisible(dialog)) << Describe(dialog);
}

INSTANTIATE_TEST_SUITE_P(
    , E2eConfigEnter,
    ::testing::Values(EnterCase{"OnPathEditThenEnd", IDC_BITMAP_PATH, VK_END,
                                [](HWND dialog) {
                                    // The caret stands behind the whole path, nothing selected.
                                    const auto length =
                                        SendToControl(dialog, IDC_BITMAP_PATH, WM_GETTEXTLENGTH);
                                    const auto selection = SendToControl(dialog, IDC_BITMAP_PATH, EM_GETSEL);
                                    return length > 0 && selection == MAKELONG(*length, *length);
                                }},
                      EnterCase{
                          "OnTrackbarThenHome", IDC_OPACITY, VK_HOME,
                          [](HWND dialog) { return SendToControl(dialog, IDC_OPACITY, TBM_GETPOS) == 0; }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
