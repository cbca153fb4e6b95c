// The appearance commands of the configuration dialog, driven as a user drives them: the information box
// before each common dialog, the bitmap file and the colour key chosen there, and the opacity trackbar
// released with the mouse or moved with the keyboard; with the overlay processes they restart, or not.
#include "config_harness.h"

#include <commctrl.h>
#include <colordlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "resource.h"

namespace e2e {
namespace {

const char kBitmapRuleText[] =
    "Bitmap Must have Transparent Color at the Center.\n\n"
    "Specify a Bitmap File with Transparent Color at the Center.\n\n"
    "In case you Select a Bitmap without Transparent Color at the Center of the Bitmap, you will not be able "
    "to Click.\n\n"
    "You can Navigate in the Application Window using Tab Key and Press any Button using Spacebar (when the "
    "Button has the Focus).";
const char kColorRuleText[] =
    "Color at the Center of the Bitmap Must be Transparent.\n\n"
    "In case you Select a Transparent Color which is not at the Center of the Bitmap, you will not be able "
    "to Click.\n\n"
    "You can Navigate in the Application Window using Tab Key and Press any Button using Spacebar (when the "
    "Button has the Focus).";
constexpr int kMessageText = 0xFFFF;  // the text control of a message box
const char kSize48x32[] = "Bitmap Width = 48 Height = 32";

// Clicks the button, confirms the information box that comes first and returns the common dialog that
// follows, recognised by one of its controls.
HWND OpenCommonDialog(HWND dialog, int button, int commonControl) {
    if (!ClickButton(dialog, button)) {
        return nullptr;
    }
    HWND box = WaitForOwnedDialog(dialog, kMessageText);
    if (box == nullptr || !ClickButton(box, IDOK)) {
        return nullptr;
    }
    return WaitForOwnedDialog(dialog, commonControl);
}

// Presses a button of a common dialog and waits until it has gone.
bool Close(HWND commonDialog, int button) {
    return ClickButton(commonDialog, button) &&
           WaitUntil([&] { return !IsWindowVisible(commonDialog); }, kExitTimeoutMs);
}

// Puts the full path into the file-name box of the file-open dialog and presses Open.
::testing::AssertionResult ChooseFile(HWND dialog, const std::string& path) {
    HWND fileDialog = OpenCommonDialog(dialog, IDC_BROWSE_BITMAP, cmb13);
    if (fileDialog == nullptr) {
        return ::testing::AssertionFailure()
               << "no file-open dialog; " << DescribeWindowsOf(ProcessOfWindow(dialog));
    }
    HWND name = FindDescendant(fileDialog, "Edit", cmb13);
    DWORD_PTR result = 0;
    const std::wstring text = Wide(path);
    if (name == nullptr || !SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                                SMTO_NORMAL, kExitTimeoutMs, &result)) {
        return ::testing::AssertionFailure()
               << "no file-name box; " << DescribeWindowsOf(ProcessOfWindow(dialog));
    }
    if (!Close(fileDialog, IDOK)) {
        return ::testing::AssertionFailure() << "the file-open dialog stayed open: " << Describe(fileDialog);
    }
    return ::testing::AssertionSuccess();
}

// The overlay that replaces the one of process `old`, once the old process has ended.
HWND WaitForRestartedOverlay(DWORD old) {
    if (!WaitForProcessExit(old, kExitTimeoutMs)) {
        return nullptr;
    }
    HWND overlay = WaitUntil([] { return FindOverlay(); }, kStartTimeoutMs);
    return overlay != nullptr && WaitForProcessIdle(ProcessOfWindow(overlay), kStartTimeoutMs) ? overlay
                                                                                               : nullptr;
}

// Once a message sent to the dialog is answered, the command it was busy with, restart included, is done.
bool DialogAnswers(HWND dialog) {
    return SendToControl(dialog, IDC_BITMAP_PATH, WM_GETTEXTLENGTH).has_value();
}

bool StoreColourKey(COLORREF key) {
    return WriteSetting(kRed, GetRValue(key)) && WriteSetting(kGreen, GetGValue(key)) &&
           WriteSetting(kBlue, GetBValue(key));
}

// Whether every pixel of the swatch on screen shows the colour.
bool SwatchShows(HWND dialog, COLORREF colour) {
    HWND swatch = GetDlgItem(dialog, IDC_COLOR_SWATCH);
    RECT area{};
    GetClientRect(swatch, &area);
    MapWindowPoints(swatch, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const DWORD expected = PixelOf(colour);
    const Picture picture = ScreenPicture(area);
    return !picture.pixels.empty() && std::all_of(picture.pixels.begin(), picture.pixels.end(),
                                                  [&](DWORD pixel) { return pixel == expected; });
}

// --- The information boxes, then Cancel in the common dialog ---

struct CancelCase {
    const char* name;
    int button;
    const char* text;
    int commonControl;  // a control that only the expected common dialog has
};

class E2eAppearanceCancel : public E2eConfigTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(E2eAppearanceCancel, InformationBoxFirstThenCancelChangesNothing) {
    const CancelCase& param = GetParam();
    const std::string bitmap = temp_.File("cursor.bmp");
    ASSERT_TRUE(WriteBmpFile(bitmap, 48, 32, [](int, int) { return RGB(0, 0, 255); }));
    ASSERT_TRUE(WriteSetting(kBitmapFilePath, bitmap) && StoreColourKey(RGB(12, 200, 77)));
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    const DWORD overlayProcess = ProcessOfWindow(overlay);
    const std::string settings = DescribeSettings();
    ASSERT_TRUE(MoveCursorTo({1200, 1000}));  // the overlay follows it away from the swatch

    // The box comes on every click, not only on the first.
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(ClickButton(dialog, param.button));
        HWND box = WaitForOwnedDialog(dialog, kMessageText);
        ASSERT_NE(box, nullptr) << "no information box; " << DescribeWindowsOf(dialog_->Id());
        EXPECT_EQ(ControlText(box, kMessageText), param.text);
        char caption[256] = {};
        GetWindowTextA(box, caption, sizeof caption);
        EXPECT_STREQ(caption, kAppTitle);
        const std::vector<HWND> buttons = VisibleChildren(box, "Button");
        ASSERT_EQ(buttons.size(), 1u) << "buttons of " << Describe(box);
        EXPECT_EQ(GetDlgCtrlID(buttons.front()), IDOK);
        EXPECT_EQ(FindOwnedDialog(dialog, param.commonControl), nullptr) << "the common dialog came first";

        ASSERT_TRUE(ClickButton(box, IDOK));
        HWND common = WaitForOwnedDialog(dialog, param.commonControl);
        ASSERT_NE(common, nullptr) << "no common dialog after OK; " << DescribeWindowsOf(dialog_->Id());
        EXPECT_FALSE(IsWindow(box)) << Describe(box);
        if (param.commonControl == COLOR_RED) {
            EXPECT_EQ(ControlText(common, COLOR_RED), "12");
            EXPECT_EQ(ControlText(common, COLOR_GREEN), "200");
            EXPECT_EQ(ControlText(common, COLOR_BLUE), "77");
            // Fully open from the start: the button that would open the custom part is disabled.
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(common, COLOR_MIX))) << "not fully open";
        }
        ASSERT_TRUE(Close(common, IDCANCEL));
        ASSERT_TRUE(WaitUntil([&] { return DialogAnswers(dialog); }, kExitTimeoutMs));
    }
    EXPECT_EQ(DescribeSettings(), settings);
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_PATH), bitmap);
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_INFO), kSize48x32);
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});
    EXPECT_EQ(programs_.Running(), (std::set<DWORD>{dialog_->Id(), overlayProcess}));
    // The swatch repaints after the common dialog that covered it has gone, which takes a moment under load.
    EXPECT_TRUE(WaitUntil([&] { return SwatchShows(dialog, RGB(12, 200, 77)); }, kMoveTimeoutMs));
}

INSTANTIATE_TEST_SUITE_P(, E2eAppearanceCancel,
                         ::testing::Values(CancelCase{"Bitmap", IDC_BROWSE_BITMAP, kBitmapRuleText, cmb13},
                                           CancelCase{"Colour", IDC_SELECT_COLOR, kColorRuleText, COLOR_RED}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Choosing a bitmap file ---

enum class Chosen { Bitmap64x40, TextFile, TruncatedHeader, EmptyFile };

struct ChooseCase {
    const char* name;
    Chosen chosen;
    bool overlayRunning;  // otherwise Toggle starts one after the choice
};

class E2eAppearanceChooseBitmap : public E2eConfigTest, public ::testing::WithParamInterface<ChooseCase> {};

TEST_P(E2eAppearanceChooseBitmap, StoresShowsAndRestarts) {
    const ChooseCase& param = GetParam();
    const std::string previous = temp_.File("previous.bmp");
    ASSERT_TRUE(WriteBmpFile(previous, 48, 32, [](int, int) { return RGB(0, 0, 255); }));
    ASSERT_TRUE(WriteSetting(kBitmapFilePath, previous));
    const std::string chosen = temp_.File("chosen.bmp");
    const bool loadable = param.chosen == Chosen::Bitmap64x40;
    switch (param.chosen) {
        case Chosen::Bitmap64x40:
            ASSERT_TRUE(WriteBmpFile(chosen, 64, 40, [](int x, int) { return RGB(x, 0, 0); }));
            break;
        case Chosen::TextFile:
            ASSERT_TRUE(WriteTextFile(chosen, "this is text"));
            break;
        case Chosen::TruncatedHeader: {
            // The file header of a real bitmap without anything after it. (Wine loads the first 20 bytes of
            // one as a bitmap of 1 x 1 pixels, reading zeros behind the end of the file.)
            std::ifstream in(DefaultBitmapPath(), std::ios::binary);
            std::string header(sizeof(BITMAPFILEHEADER), '\0');
            ASSERT_TRUE(in.read(&header[0], sizeof(BITMAPFILEHEADER))) << DefaultBitmapPath();
            ASSERT_TRUE(WriteTextFile(chosen, header));
            break;
        }
        case Chosen::EmptyFile:
            ASSERT_TRUE(WriteTextFile(chosen, ""));
            break;
    }
    const Extent templateSize = DialogUnitsToPixels(181, 145);  // the overlay's own dialog template
    ASSERT_GT(templateSize.width, 0) << "cannot measure dialog units";
    const Extent expectedSize = loadable ? Extent{64, 40} : templateSize;

    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ControlText(dialog, IDC_BITMAP_INFO), kSize48x32);
    DWORD oldProcess = 0;
    if (param.overlayRunning) {
        HWND old = ToggleOn(dialog);
        ASSERT_NE(old, nullptr);
        oldProcess = ProcessOfWindow(old);
    }

    ASSERT_TRUE(ChooseFile(dialog, chosen));
    EXPECT_TRUE(WaitUntil([&] { return ReadStringSetting(kBitmapFilePath) == chosen; }, kExitTimeoutMs))
        << DescribeSettings();
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_BITMAP_PATH) == chosen; }, kExitTimeoutMs))
        << ControlText(dialog, IDC_BITMAP_PATH);
    ASSERT_TRUE(DialogAnswers(dialog)) << "the dialog hangs";
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_INFO), loadable ? "Bitmap Width = 64 Height = 40" : kSize48x32);
    EXPECT_EQ(OwnedDialogs(dialog), std::vector<HWND>{}) << DescribeWindowsOf(dialog_->Id());

    HWND overlay = nullptr;
    if (param.overlayRunning) {
        overlay = WaitForRestartedOverlay(oldProcess);
        ASSERT_NE(overlay, nullptr) << "the overlay was not restarted";
    } else {
        EXPECT_EQ(programs_.Running(), std::set<DWORD>{dialog_->Id()}) << "an overlay was started";
        overlay = ToggleOn(dialog);
        ASSERT_NE(overlay, nullptr);
    }
    EXPECT_EQ(WindowSize(overlay), expectedSize) << Describe(overlay);
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});
    EXPECT_TRUE(dialog_->IsRunning() && DialogAnswers(dialog)) << "the dialog is gone or hangs";
}

INSTANTIATE_TEST_SUITE_P(, E2eAppearanceChooseBitmap,
                         ::testing::Values(ChooseCase{"BitmapRestartsOverlay", Chosen::Bitmap64x40, true},
                                           ChooseCase{"BitmapStartsNoOverlay", Chosen::Bitmap64x40, false},
                                           ChooseCase{"TextFileRestartsOverlay", Chosen::TextFile, true},
                                           ChooseCase{"TextFileThenToggle", Chosen::TextFile, false},
                                           ChooseCase{"TruncatedHeaderThenToggle", Chosen::TruncatedHeader,
                                                      false},
                                           ChooseCase{"EmptyFileRestartsOverlay", Chosen::EmptyFile, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Folders and pictures named outside the code page ---

struct NameCase {
    const char* name;
    const char* folder;   // null: CJK characters up to a program path of 250 UTF-16 units
    const char* picture;  // a second picture in that folder
};

// The folder, made below `temp`, whose TobrikMouse.exe has a path of 250 UTF-16 units, about 750 bytes of
// UTF-8. Under the UTF-8 code page Wine's file dialog stays open on a file below one folder name of 180
// such characters, while names of 60 work, so the path takes several names of 60.
std::string LongCjkFolder(const TempDirectory& temp) {
    const char* const characters[] = {"例", "指", "针", "长"};
    const size_t count =
        250 - Wide(temp.Path()).size() - 2 - std::strlen("TobrikMouse.exe");  // two backslashes
    std::string relative;
    for (size_t index = 0; index < count; ++index) {
        relative += index % 61 == 60 && index + 1 < count ? "\\" : characters[index % 4];
        if (index % 61 == 59 || index + 1 == count) {
            if (temp.Subdirectory(relative).empty()) {
                return std::string();
            }
        }
    }
    return temp.File(relative);
}

class E2eAppearanceNames : public E2eConfigTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(E2eAppearanceNames, ProgramInTheFolderShowsItsPictures) {
    const NameCase& param = GetParam();
    const std::string folder =
        param.folder != nullptr ? temp_.Subdirectory(param.folder) : LongCjkFolder(temp_);
    ASSERT_FALSE(folder.empty()) << "cannot make the folder";
    const std::string program = CopyProgramTo(folder);
    ASSERT_FALSE(program.empty()) << "cannot copy the program to " << folder;
    const std::string besideIt = folder + "\\Tobrik.bmp";
    const std::string picture = folder + "\\" + param.picture;
    const auto ring = [](int x, int y) { return x % 7 == 0 || y % 7 == 0 ? RGB(255, 255, 0) : RGB(0, 0, 0); };
    ASSERT_TRUE(WriteBmpFile(besideIt, 121, 67, ring) && WriteBmpFile(picture, 83, 45, ring));
    // Stored as UTF-16, as the registry keeps what any release wrote.
    ASSERT_TRUE(WriteSetting(kBitmapFilePath, picture));
    ASSERT_TRUE(WriteSetting(kHotKeyKey, VK_F9) && WriteSetting(kHotKeyMod, MOD_CONTROL | MOD_ALT));

    HWND dialog = StartDialog(program);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog); }, kStartTimeoutMs));
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_PATH), picture);

    // The hot key starts the program in that folder, showing the stored picture.
    ASSERT_TRUE(PressKeys({VK_CONTROL, VK_MENU, VK_F9}));
    HWND overlay = WaitUntil(FindOverlay, kStartTimeoutMs);
    ASSERT_NE(overlay, nullptr) << "the hot key started no overlay";
    const DWORD first = ProcessOfWindow(overlay);
    ASSERT_TRUE(WaitForProcessIdle(first, kStartTimeoutMs));
    EXPECT_EQ(ProcessImagePath(first), program);
    EXPECT_EQ(WindowSize(overlay), (Extent{83, 45})) << Describe(overlay);

    // Chosen with "...", the picture beside it is stored whole and the overlay restarts with it.
    ASSERT_TRUE(ChooseFile(dialog, besideIt));
    EXPECT_TRUE(WaitUntil([&] { return ReadStringSetting(kBitmapFilePath) == besideIt; }, kExitTimeoutMs))
        << DescribeSettings();
    EXPECT_EQ(ControlText(dialog, IDC_BITMAP_PATH), besideIt);
    overlay = WaitForRestartedOverlay(first);
    ASSERT_NE(overlay, nullptr) << "the overlay was not restarted";
    EXPECT_EQ(WindowSize(overlay), (Extent{121, 67})) << Describe(overlay);

    // With no stored path, Toggle starts one that finds Tobrik.bmp beside the program.
    const DWORD second = ProcessOfWindow(overlay);
    ASSERT_TRUE(SendToControl(dialog, IDC_TOGGLE, BM_CLICK));
    ASSERT_TRUE(WaitForProcessExit(second, kExitTimeoutMs));
    ASSERT_TRUE(WriteSetting(kBitmapFilePath, ""));
    overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(ProcessImagePath(ProcessOfWindow(overlay)), program);
    EXPECT_EQ(WindowSize(overlay), (Extent{121, 67})) << Describe(overlay);
}

INSTANTIATE_TEST_SUITE_P(, E2eAppearanceNames,
                         ::testing::Values(NameCase{"Ascii", "Plain folder", "pointer.bmp"},
                                           NameCase{"AccentedLatin", "Café Ærø", "Flèche.bmp"},
                                           NameCase{"Cyrillic", "Пример", "Указатель.bmp"},
                                           NameCase{"Cjk", "例 指针", "指针.bmp"},
                                           NameCase{"OutsideTheBmp", "𝒫 ☺", "😀.bmp"},
                                           NameCase{"LongCjk", nullptr, "长.bmp"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Choosing a colour key ---

using E2eAppearance = E2eConfigTest;

TEST_F(E2eAppearance, NewColourKeyIsStoredAndShownButReachesTheOverlayOnlyAtItsNextStart) {
    const COLORREF old = RGB(12, 200, 77);
    const COLORREF chosen = RGB(200, 30, 140);
    ASSERT_TRUE(StoreColourKey(old));
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    const DWORD overlayProcess = ProcessOfWindow(overlay);
    ASSERT_EQ(LayeringOf(overlay).value_or(Layering{}).key, old) << Describe(overlay);
    ASSERT_TRUE(MoveCursorTo({1200, 1000}));  // the overlay follows it away from the swatch

    HWND colourDialog = OpenCommonDialog(dialog, IDC_SELECT_COLOR, COLOR_RED);
    ASSERT_NE(colourDialog, nullptr) << DescribeWindowsOf(dialog_->Id());
    const std::pair<int, BYTE> components[] = {
        {COLOR_RED, GetRValue(chosen)}, {COLOR_GREEN, GetGValue(chosen)}, {COLOR_BLUE, GetBValue(chosen)}};
    for (const auto& [id, value] : components) {
        const std::string text = std::to_string(value);
        ASSERT_TRUE(SendToControl(colourDialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    ASSERT_TRUE(Close(colourDialog, IDOK));

    // The three components are three values, written one after another.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return ReadDwordSetting(kRed) == GetRValue(chosen) &&
                   ReadDwordSetting(kGreen) == GetGValue(chosen) &&
                   ReadDwordSetting(kBlue) == GetBValue(chosen);
        },
        kExitTimeoutMs))
        << DescribeSettings();
    EXPECT_TRUE(WaitUntil([&] { return SwatchShows(dialog, chosen); }, kMoveTimeoutMs))
        << "swatch not repainted";
    ASSERT_TRUE(DialogAnswers(dialog));
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});
    EXPECT_EQ(programs_.Running(), (std::set<DWORD>{dialog_->Id(), overlayProcess}))
        << "the overlay restarted";
    EXPECT_EQ(LayeringOf(overlay).value_or(Layering{}).key, old) << Describe(overlay);

    ASSERT_TRUE(SendToControl(dialog, IDC_TOGGLE, BM_CLICK));
    ASSERT_TRUE(WaitForProcessExit(overlayProcess, kExitTimeoutMs));
    overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(LayeringOf(overlay).value_or(Layering{}).key, chosen) << Describe(overlay);
}

// --- The opacity trackbar ---

// The middle of the trackbar's thumb, or a point on its channel just left of the thumb, on screen.
std::optional<Position> OnTrackbar(HWND dialog, bool onThumb) {
    const auto thumb = RectOnScreen(dialog, IDC_OPACITY, TBM_GETTHUMBRECT);
    const auto channel = RectOnScreen(dialog, IDC_OPACITY, TBM_GETCHANNELRECT);
    if (!thumb || !channel || (!onThumb && thumb->left - 1 <= channel->left)) {
        return std::nullopt;
    }
    if (onThumb) {
        return Position{(thumb->left + thumb->right) / 2, (thumb->top + thumb->bottom) / 2};
    }
    return Position{(channel->left + thumb->left) / 2, (channel->top + channel->bottom) / 2};
}

// Under Wine a synthesised click lands on the overlay window whatever its colour key, and the overlay sits
// under the pointer; hidden, it is still found, closed and restarted like a visible one.
bool HideFromThePointer(HWND overlay) {
    ShowWindow(overlay, SW_HIDE);
    return WaitUntil([&] { return !IsWindowVisible(overlay); }, kMoveTimeoutMs);
}

struct ReleaseCase {
    const char* name;
    bool onThumb;  // a click there leaves the thumb where it is; one on the channel moves it
    bool overlayRunning;
};

class E2eAppearanceOpacity : public E2eConfigTest, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(E2eAppearanceOpacity, MouseReleaseStoresThePositionAndRestarts) {
    const ReleaseCase& param = GetParam();
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(SendToControl(dialog, IDC_OPACITY, TBM_GETPOS), 255);
    DWORD oldProcess = 0;
    if (param.overlayRunning) {
        HWND old = ToggleOn(dialog);
        ASSERT_NE(old, nullptr);
        oldProcess = ProcessOfWindow(old);
        ASSERT_TRUE(HideFromThePointer(old));
    }
    ASSERT_EQ(ReadDwordSetting(kOpacity), std::nullopt);

    const std::optional<Position> point = OnTrackbar(dialog, param.onThumb);
    ASSERT_TRUE(point) << "cannot locate the thumb of the trackbar";
    ASSERT_TRUE(ClickAt(*point));
    EXPECT_TRUE(WaitUntil([] { return ReadDwordSetting(kOpacity).has_value(); }, kExitTimeoutMs))
        << "nothing stored";
    ASSERT_TRUE(DialogAnswers(dialog));
    const LRESULT position = SendToControl(dialog, IDC_OPACITY, TBM_GETPOS).value_or(-1);
    EXPECT_EQ(ReadDwordSetting(kOpacity), static_cast<DWORD>(position));
    if (param.onThumb) {
        EXPECT_EQ(position, 255);
    } else {
        EXPECT_LT(position, 255) << "the click on the channel did not move the thumb";
    }
    if (param.overlayRunning) {
        HWND overlay = WaitForRestartedOverlay(oldProcess);
        ASSERT_NE(overlay, nullptr) << "the overlay was not restarted";
        EXPECT_EQ(LayeringOf(overlay).value_or(Layering{}).alpha, position) << Describe(overlay);
        EXPECT_TRUE(KeepsTheKeyboard({dialog, GetDlgItem(dialog, IDC_OPACITY)}, 1000, [] { return true; }));
    } else {
        EXPECT_EQ(programs_.Running(), std::set<DWORD>{dialog_->Id()}) << "an overlay was started";
    }
}

INSTANTIATE_TEST_SUITE_P(, E2eAppearanceOpacity,
                         ::testing::Values(ReleaseCase{"OnThumbUnmovedRestartsOverlay", true, true},
                                           ReleaseCase{"OnChannelRestartsOverlay", false, true},
                                           ReleaseCase{"OnThumbStartsNoOverlay", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(E2eAppearance, KeyboardMovesTheTrackbarButStoresNothingUntilTheNextMouseRelease) {
    HWND dialog = StartDialog();
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    const DWORD overlayProcess = ProcessOfWindow(overlay);
    ASSERT_TRUE(FocusControl(dialog, IDC_OPACITY)) << Describe(dialog);

    const std::pair<WORD, LRESULT> steps[] = {{VK_HOME, 0},   {VK_RIGHT, 1},        {VK_END, 255},
                                              {VK_LEFT, 254}, {VK_PRIOR, 254 - 51}, {VK_HOME, 0}};
    for (const auto& [key, position] : steps) {
        ASSERT_TRUE(PressKeys({key}));
        EXPECT_TRUE(WaitUntil([&] { return SendToControl(dialog, IDC_OPACITY, TBM_GETPOS) == position; },
                              kMoveTimeoutMs))
            << "key " << key << ": position " << SendToControl(dialog, IDC_OPACITY, TBM_GETPOS).value_or(-1);
    }
    EXPECT_EQ(ReadDwordSetting(kOpacity), std::nullopt) << DescribeSettings();
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});
    EXPECT_EQ(programs_.Running(), (std::set<DWORD>{dialog_->Id(), overlayProcess}))
        << "the overlay restarted";

    // A click on the thumb stores the position the keys gave it.
    ASSERT_TRUE(HideFromThePointer(overlay));
    const std::optional<Position> thumb = OnTrackbar(dialog, true);
    ASSERT_TRUE(thumb) << "cannot locate the thumb of the trackbar";
    ASSERT_TRUE(ClickAt(*thumb));
    EXPECT_TRUE(WaitUntil([] { return ReadDwordSetting(kOpacity) == 0u; }, kExitTimeoutMs))
        << DescribeSettings();
    overlay = WaitForRestartedOverlay(overlayProcess);
    ASSERT_NE(overlay, nullptr) << "the overlay was not restarted";
    EXPECT_EQ(LayeringOf(overlay).value_or(Layering{}).alpha, 0) << Describe(overlay);
}

}  // namespace
}  // namespace e2e
