// The toggle hot key seen from outside: a combination typed into the dialog's hot-key control, stored by
// Assign and Clear, pressed with SendInput wherever the focus is, and refused while another process holds it.
#include "config_harness.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "resource.h"

namespace e2e {
namespace {

const char kRefusedText[] =
    "Could Not Assign Shortcut Key to Switch between Normal and Tobrik Mouse Cursor.\n\n"
    "The Key Combination You have Specified seems to be in Use by Some Other Software.\n\n"
    "Try Some Other Shortcut Key Combination.";
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kQuietMs = 500;  // how long a press that should start nothing is watched
constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

using Keys = std::vector<WORD>;
const Keys kCtrlAltF9{VK_CONTROL, VK_MENU, VK_F9}, kWinRight{VK_LWIN, VK_RIGHT}, kNotTyped;
constexpr WORD kCtrlAltF9Shown = MAKEWORD(VK_F9, HOTKEYF_CONTROL | HOTKEYF_ALT);

// A combination this process holds, as another program would; released when the object goes.
class HeldHotKey {
public:
    HeldHotKey(UINT modifiers, UINT key) : held_(RegisterHotKey(nullptr, kId, modifiers, key) != FALSE) {}
    ~HeldHotKey() {
        if (held_) {
            UnregisterHotKey(nullptr, kId);
        }
    }
    HeldHotKey(const HeldHotKey&) = delete;
    HeldHotKey& operator=(const HeldHotKey&) = delete;
    bool Held() const { return held_; }

private:
    static constexpr int kId = 0x7B1;
    bool held_;
};

// Whether some window holds the combination: this process cannot take it.
bool IsTaken(UINT modifiers, UINT key) {
    return !HeldHotKey(modifiers, key).Held();
}

// A window's class name or title, as the getter reads it.
std::string TextOf(HWND window, int(WINAPI* get)(HWND, LPSTR, int)) {
    char text[256] = {};
    get(window, text, sizeof text);
    return text;
}

// A message box of the process: a shown dialog window with an owner.
HWND FindMessageBox(DWORD processId) {
    for (HWND window : TopLevelWindowsOf(processId)) {
        if (TextOf(window, GetClassNameA) == "#32770" && IsWindowVisible(window) &&
            GetWindow(window, GW_OWNER) != nullptr) {
            return window;
        }
    }
    return nullptr;
}

Picture IconPictureOf(HWND box) {
    for (HWND child : VisibleChildren(box, "Static")) {
        RECT rect{};
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && GetWindowRect(child, &rect)) {
            return ScreenPicture(rect);
        }
    }
    return {};
}

const char kReferenceTitle[] = "error icon reference";

DWORD WINAPI ShowReferenceBox(void*) {
    return static_cast<DWORD>(MessageBoxA(nullptr, "reference", kReferenceTitle, MB_OK | MB_ICONERROR));
}

// The error icon as this process's own message box shows it, once painted.
Picture ErrorIconPicture() {
    HANDLE thread = CreateThread(nullptr, 0, ShowReferenceBox, nullptr, 0, nullptr);
    HWND box = WaitUntil(
        [] {
            HWND found = FindWindowA("#32770", kReferenceTitle);
            return IsWindowVisible(found) ? found : nullptr;
        },
        kStartTimeoutMs);
    Picture icon;
    WaitUntil(
        [&] {
            const auto& pixels = (icon = IconPictureOf(box)).pixels;
            return std::adjacent_find(pixels.begin(), pixels.end(), std::not_equal_to<>()) != pixels.end();
        },
        kMoveTimeoutMs);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (thread != nullptr) {
        WaitForSingleObject(thread, kExitTimeoutMs);
        CloseHandle(thread);
    }
    return icon;
}

void ExpectRefusalBox(HWND box, HWND dialog, const Picture& errorIcon) {
    ASSERT_NE(box, nullptr) << "no message box; " << DescribeWindowsOf(ProcessOfWindow(dialog));
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog) << Describe(box);
    EXPECT_EQ(TextOf(box, GetWindowTextA), kAppTitle);
    EXPECT_EQ(ControlText(box, kMessageBoxTextId), kRefusedText);
    std::vector<int> buttons;
    for (HWND button : VisibleChildren(box, "Button")) {
        buttons.push_back(GetDlgCtrlID(button));
    }
    EXPECT_EQ(buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(!errorIcon.pixels.empty() &&
                WaitUntil([&] { return IconPictureOf(box).pixels == errorIcon.pixels; }, kMoveTimeoutMs))
        << "the box does not show the error icon";
}

bool CloseBox(HWND box) {
    return PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0) &&
           WaitUntil([box] { return !IsWindow(box); }, kExitTimeoutMs);
}

void ExpectStored(DWORD key, DWORD modifiers) {
    EXPECT_EQ(ReadDwordSetting(kHotKeyKey), key) << DescribeSettings();
    EXPECT_EQ(ReadDwordSetting(kHotKeyMod), modifiers) << DescribeSettings();
}

class E2eHotKeyTest : public E2eConfigTest {
protected:
    // Starts the dialog and waits until it has finished its initialisation and shows itself, without a box.
    HWND StartShown() {
        HWND dialog = StartDialog();
        EXPECT_TRUE(dialog != nullptr && WaitUntil([&] { return IsWindowVisible(dialog); }, kStartTimeoutMs))
            << DescribeWindowsOf(dialog_->Id());
        EXPECT_EQ(FindMessageBox(dialog_->Id()), nullptr) << DescribeWindowsOf(dialog_->Id());
        return dialog;
    }

    // Focuses the hot-key control and types the keys into it, as the user does.
    static ::testing::AssertionResult Type(HWND dialog, const Keys& keys, WORD expected) {
        if (!FocusControl(dialog, IDC_HOTKEY) || !PressKeys(keys)) {
            return ::testing::AssertionFailure() << "cannot type into " << Describe(dialog);
        }
        std::optional<LRESULT> shown;
        if (WaitUntil([&] { return (shown = SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY)) == expected; },
                      kMoveTimeoutMs)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << std::hex << "the control holds 0x" << shown.value_or(-1) << " instead of 0x" << expected;
    }

    // Presses the keys, then waits until the dialog has handled what the press queued for it: a message
    // posted behind it moves the trackbar.
    static bool PressAndSettle(HWND dialog, const Keys& keys) {
        const LRESULT mark = (SendToControl(dialog, IDC_OPACITY, TBM_GETPOS).value_or(0) + 1) % 256;
        return PressKeys(keys) && PostMessageA(GetDlgItem(dialog, IDC_OPACITY), TBM_SETPOS, TRUE, mark) &&
               WaitUntil([&] { return SendToControl(dialog, IDC_OPACITY, TBM_GETPOS) == mark; },
                         kExitTimeoutMs);
    }

    // The first press starts one overlay process, the second ends it and starts nothing.
    void ExpectToggles(HWND dialog, const Keys& keys) {
        const std::set<DWORD> before = programs_.Running();
        ASSERT_TRUE(PressAndSettle(dialog, keys)) << "the dialog did not answer";
        HWND overlay = WaitUntil(FindOverlay, kStartTimeoutMs);
        ASSERT_NE(overlay, nullptr) << "the first press started no overlay";
        const DWORD overlayProcess = ProcessOfWindow(overlay);
        EXPECT_TRUE(WaitForProcessIdle(overlayProcess, kStartTimeoutMs));
        std::set<DWORD> expected = before;
        expected.insert(overlayProcess);
        EXPECT_EQ(programs_.Running(), expected);
        ASSERT_TRUE(PressAndSettle(dialog, keys)) << "the dialog did not answer";
        EXPECT_TRUE(WaitForProcessExit(overlayProcess, kExitTimeoutMs))
            << "the second press left the overlay";
        EXPECT_EQ(programs_.Running(), before);
    }

    void ExpectNoToggle(HWND dialog, const Keys& keys) {
        const std::set<DWORD> before = programs_.Running();
        ASSERT_TRUE(PressAndSettle(dialog, keys)) << "the dialog did not answer";
        EXPECT_FALSE(
            WaitUntil([&] { return FindOverlay() != nullptr || programs_.Running() != before; }, kQuietMs))
            << "the press started " << Describe(FindOverlay());
    }
};

// --- Assign ---

enum class Hide { No, ToTray, ByShowWindow };

struct AssignCase {
    const char* name;
    Keys typed;  // none: the value is set with HKM_SETHOTKEY
    WORD shown;  // the control's value: key in the low byte, HOTKEYF_* flags in the high byte
    DWORD key;
    DWORD modifiers;
    Keys press;
    Hide hide;
};

AssignCase CtrlAltF9Case(const char* name, Hide hide) {
    return {name, kCtrlAltF9, kCtrlAltF9Shown, VK_F9, kCtrlAlt, kCtrlAltF9, hide};
}

class E2eHotKeyAssign : public E2eHotKeyTest, public ::testing::WithParamInterface<AssignCase> {};

TEST_P(E2eHotKeyAssign, StoresRegistersAndToggles) {
    const AssignCase& param = GetParam();
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    if (param.typed.empty()) {
        ASSERT_TRUE(SendToControl(dialog, IDC_HOTKEY, HKM_SETHOTKEY, param.shown));
    } else {
        ASSERT_TRUE(Type(dialog, param.typed, param.shown));
    }
    // The second Assign of the same combination succeeds only if the first registration is released first.
    for (int click = 0; click < 2; ++click) {
        ASSERT_TRUE(SendToControl(dialog, IDC_ASSIGN_HOTKEY, BM_CLICK)) << DescribeWindowsOf(dialog_->Id());
    }
    EXPECT_EQ(FindMessageBox(dialog_->Id()), nullptr);
    ExpectStored(param.key, param.modifiers);
    EXPECT_EQ(SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY), param.shown);
    EXPECT_TRUE(IsTaken(param.modifiers, param.key)) << "nobody holds the combination";

    if (param.hide != Hide::No) {
        // Under Wine the dialog manager shows a modal dialog once more when its queue first runs empty, which
        // for a dialog active since its start happens only when it first loses the activation: a hide before
        // that would be undone. The process is idle from then on; a fast test brings the dialog back before.
        OwnWindow elsewhere("elsewhere", {700, 500, 900, 700});
        ASSERT_TRUE(elsewhere.BringToForeground());
        ASSERT_TRUE(WaitForProcessIdle(dialog_->Id(), kStartTimeoutMs)) << "the dialog never went idle";
        ASSERT_TRUE(BringToForeground(dialog));
    }
    if (param.hide == Hide::ToTray) {
        ASSERT_TRUE(SendToControl(dialog, IDC_HIDE_TO_TRAY, BM_CLICK));
    } else if (param.hide == Hide::ByShowWindow) {
        ShowWindow(dialog, SW_HIDE);
    }
    const bool shown = param.hide == Hide::No;
    ASSERT_TRUE(WaitUntil([&] { return (IsWindowVisible(dialog) != FALSE) == shown; }, kMoveTimeoutMs));
    ExpectToggles(dialog, param.press);
    EXPECT_EQ(IsWindowVisible(dialog) != FALSE, shown) << Describe(dialog);
}

INSTANTIATE_TEST_SUITE_P(
    , E2eHotKeyAssign,
    ::testing::Values(CtrlAltF9Case("CtrlAltF9", Hide::No),
                      CtrlAltF9Case("CtrlAltF9HiddenToTray", Hide::ToTray),
                      CtrlAltF9Case("CtrlAltF9Hidden", Hide::ByShowWindow),
                      AssignCase{"F8Alone", {VK_F8}, MAKEWORD(VK_F8, 0), VK_F8, 0, {VK_F8}, Hide::No},
                      // Windows' control marks an arrow of the separate block as extended, which is stored as
                      // the Windows key. Wine's never sets that flag, so the value is put into the control as
                      // Windows' control makes it.
                      AssignCase{"RightArrowTakesTheWindowsKey", kNotTyped, MAKEWORD(VK_RIGHT, HOTKEYF_EXT),
                                 VK_RIGHT, MOD_WIN, kWinRight, Hide::No}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A combination stored before the start ---

struct StoredCase {
    const char* name;
    DWORD key;
    DWORD modifiers;
    WORD shown;
    Keys press;  // nothing when no hot key is registered
};

class E2eHotKeyStored : public E2eHotKeyTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(E2eHotKeyStored, ShownAndActiveFromTheStart) {
    const StoredCase& param = GetParam();
    ASSERT_TRUE(WriteSetting(kHotKeyKey, param.key) && WriteSetting(kHotKeyMod, param.modifiers));
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY), param.shown);
    EXPECT_EQ(IsTaken(param.modifiers, param.key), !param.press.empty());
    if (!param.press.empty()) {
        ExpectToggles(dialog, param.press);
    }
    ExpectStored(param.key, param.modifiers);
}

INSTANTIATE_TEST_SUITE_P(
    , E2eHotKeyStored,
    ::testing::Values(
        StoredCase{"CtrlAltF9", VK_F9, kCtrlAlt, kCtrlAltF9Shown, kCtrlAltF9},
        StoredCase{"WindowsKeyShownAsExtended", VK_RIGHT, MOD_WIN, MAKEWORD(VK_RIGHT, HOTKEYF_EXT),
                   kWinRight},
        // The control gets the modifiers without a key, as stored.
        StoredCase{
            "KeyZeroWithModifiersIsNoHotKey", 0, kCtrlAlt, MAKEWORD(0, HOTKEYF_CONTROL | HOTKEYF_ALT), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Clear ---

class E2eHotKeyClear : public E2eHotKeyTest, public ::testing::WithParamInterface<bool> {};

TEST_P(E2eHotKeyClear, StoresNoKeyAndReleasesTheCombination) {
    const bool assignEmptyControl = GetParam();
    ASSERT_TRUE(WriteSetting(kHotKeyKey, VK_F9) && WriteSetting(kHotKeyMod, kCtrlAlt));
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(IsTaken(kCtrlAlt, VK_F9)) << "the stored combination was not registered";
    if (assignEmptyControl) {
        ASSERT_TRUE(Type(dialog, {VK_BACK}, 0));
    }
    ASSERT_TRUE(SendToControl(dialog, assignEmptyControl ? IDC_ASSIGN_HOTKEY : IDC_CLEAR_HOTKEY, BM_CLICK))
        << DescribeWindowsOf(dialog_->Id());
    EXPECT_EQ(FindMessageBox(dialog_->Id()), nullptr);
    ExpectStored(0, 0);
    EXPECT_EQ(SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY), 0);
    EXPECT_FALSE(IsTaken(kCtrlAlt, VK_F9)) << "the combination is still held";
    ExpectNoToggle(dialog, kCtrlAltF9);
}

INSTANTIATE_TEST_SUITE_P(, E2eHotKeyClear, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "AssignOfEmptyControl" : "ClearButton");
});

// --- The combination typed but not assigned, and combinations held elsewhere ---

using E2eHotKey = E2eHotKeyTest;

TEST_F(E2eHotKey, TypingWithoutAssignChangesNothing) {
    ASSERT_TRUE(WriteSetting(kHotKeyKey, VK_F9) && WriteSetting(kHotKeyMod, kCtrlAlt));
    const std::string stored = DescribeSettings();
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Type(dialog, {VK_F8}, MAKEWORD(VK_F8, 0)));
    EXPECT_EQ(DescribeSettings(), stored);
    EXPECT_FALSE(IsTaken(0, VK_F8));
    ExpectNoToggle(dialog, {VK_F8});
    ExpectToggles(dialog, kCtrlAltF9);

    ASSERT_TRUE(SendClose(dialog));
    ASSERT_TRUE(dialog_->WaitForExit(kExitTimeoutMs));
    dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY), kCtrlAltF9Shown) << "after a new start";
}

TEST_F(E2eHotKey, AssignOfACombinationHeldElsewhereShowsTheErrorBox) {
    const Picture errorIcon = ErrorIconPicture();
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Type(dialog, {VK_F8}, MAKEWORD(VK_F8, 0)));
    ASSERT_TRUE(SendToControl(dialog, IDC_ASSIGN_HOTKEY, BM_CLICK));
    ASSERT_TRUE(IsTaken(0, VK_F8)) << "F8 was not registered";
    ASSERT_TRUE(Type(dialog, kCtrlAltF9, kCtrlAltF9Shown));
    std::optional<HeldHotKey> other(std::in_place, kCtrlAlt, VK_F9);
    ASSERT_TRUE(other->Held());

    ASSERT_TRUE(PostMessageA(GetDlgItem(dialog, IDC_ASSIGN_HOTKEY), BM_CLICK, 0, 0));
    HWND box = WaitUntil([&] { return FindMessageBox(dialog_->Id()); }, kStartTimeoutMs);
    ExpectRefusalBox(box, dialog, errorIcon);
    ASSERT_TRUE(CloseBox(box)) << Describe(box);
    EXPECT_EQ(SendToControl(dialog, IDC_HOTKEY, HKM_GETHOTKEY), kCtrlAltF9Shown);
    ExpectStored(VK_F9, kCtrlAlt);

    // Nothing is active any more: neither the former combination nor, once it is free, the refused one.
    EXPECT_FALSE(IsTaken(0, VK_F8)) << "the former combination is still held";
    ExpectNoToggle(dialog, {VK_F8});
    other.reset();
    EXPECT_FALSE(IsTaken(kCtrlAlt, VK_F9));
    ExpectNoToggle(dialog, kCtrlAltF9);
}

TEST_F(E2eHotKey, SecondDialogShowsTheErrorBoxAtStartAndRunsOn) {
    const Picture errorIcon = ErrorIconPicture();
    ASSERT_TRUE(WriteSetting(kHotKeyKey, VK_F9) && WriteSetting(kHotKeyMod, kCtrlAlt));
    HWND first = StartShown();
    ASSERT_NE(first, nullptr);

    ChildProcess second(ProgramPath(), "");
    HWND box = WaitUntil([&] { return second.IsRunning() ? FindMessageBox(second.Id()) : nullptr; },
                         kStartTimeoutMs);
    ASSERT_NE(box, nullptr) << second.Describe() << "; " << DescribeWindowsOf(second.Id());
    HWND secondDialog = GetWindow(box, GW_OWNER);
    EXPECT_EQ(ProcessOfWindow(secondDialog), second.Id());
    EXPECT_FALSE(IsWindowVisible(secondDialog)) << "the dialog shows before its initialisation has ended";
    ExpectRefusalBox(box, secondDialog, errorIcon);
    ASSERT_TRUE(CloseBox(box)) << Describe(box);

    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(secondDialog); }, kStartTimeoutMs))
        << DescribeWindowsOf(second.Id());
    EXPECT_EQ(TextOf(secondDialog, GetWindowTextA), kAppTitle);
    EXPECT_EQ(SendToControl(secondDialog, IDC_HOTKEY, HKM_GETHOTKEY), kCtrlAltF9Shown);
    ExpectToggles(first, kCtrlAltF9);
    EXPECT_TRUE(second.IsRunning());
}

// --- The keyboard stays where the user works ---

struct KeyboardCase {
    const char* name;
    Keys press;          // starts the overlay, then stops it
    bool typeElsewhere;  // the user types in another program; else works the dialog from the keyboard
};

class E2eHotKeyKeyboard : public E2eHotKeyTest, public ::testing::WithParamInterface<KeyboardCase> {};

TEST_P(E2eHotKeyKeyboard, StaysWithTheUsersWindow) {
    const KeyboardCase& param = GetParam();
    ASSERT_TRUE(WriteSetting(kHotKeyKey, VK_F9) && WriteSetting(kHotKeyMod, kCtrlAlt));
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    OwnWindow editor("", {650, 150, 950, 250}, "EDIT");  // its title is its text
    if (param.typeElsewhere) {
        ASSERT_TRUE(editor.BringToForeground());
    } else {
        ASSERT_TRUE(FocusControl(dialog, IDC_CLEAR_HOTKEY) && PressKeys({VK_TAB}));  // Tab on to Toggle
    }
    const KeyboardOwner user = param.typeElsewhere ? KeyboardOwner{editor.Handle(), editor.Handle()}
                                                   : KeyboardOwner{dialog, GetDlgItem(dialog, IDC_TOGGLE)};
    ASSERT_TRUE(WaitUntil([&] { return KeyboardNow() == user; }, kMoveTimeoutMs)) << KeyboardNow();
    // A letter before each press and one after the last; the user's window keeps the keyboard while the
    // overlay starts, runs for a second, and stops.
    for (const bool starts : {true, false}) {
        ASSERT_TRUE(!param.typeElsewhere || PressKeys({static_cast<WORD>(starts ? 'A' : 'B')}));
        ASSERT_TRUE(PressKeys(param.press));
        EXPECT_TRUE(KeepsTheKeyboard(user, 1000, [&] {
            OwnWindow::PumpMessages(0);
            return (FindOverlay() != nullptr) == starts;
        })) << (starts ? "starting" : "stopping");
    }
    if (param.typeElsewhere) {
        ASSERT_TRUE(PressKeys({'C'}));
        EXPECT_TRUE(WaitUntil(
            [&] { return OwnWindow::PumpMessages(0), TextOf(editor.Handle(), GetWindowTextA) == "abc"; },
            kMoveTimeoutMs))
            << "the editor holds \"" << TextOf(editor.Handle(), GetWindowTextA) << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(, E2eHotKeyKeyboard,
                         ::testing::Values(KeyboardCase{"SpaceOnToggleInTheDialog", {VK_SPACE}, false},
                                           KeyboardCase{"HotKeyWhileTypingElsewhere", kCtrlAltF9, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Presses and clicks faster than an overlay starts ---

// One step of a case: after a pause, keys pressed, held or released, or a click of Toggle.
struct Stroke {
    DWORD pauseMs;
    Keys keys;  // none: a click of Toggle
    Keystroke stroke = Keystroke::PressAndRelease;
};
using Strokes = std::vector<Stroke>;

Strokes Repeated(int times, const Stroke& stroke) {
    return Strokes(static_cast<std::size_t>(times), stroke);
}
// The key's first press goes with the modifiers in one input: under Wine, a change of focus in between
// would reset the modifiers' state to that of the X server, which SendInput does not touch. As a keyboard
// does, the first repeat comes after a delay (Windows' default, 500 ms), the next ones every 33 ms.
Strokes HeldCombination() {
    Strokes strokes = Repeated(12, {33, {VK_F9}, Keystroke::Down});
    strokes.front() = {0, kCtrlAltF9, Keystroke::Down};
    strokes[1].pauseMs = 500;
    strokes.push_back({33, kCtrlAltF9, Keystroke::Up});
    return strokes;
}

// Presses of a person: each held `heldMs`, the next begun `everyMs` after the one before.
Strokes HeldPresses(int times, DWORD heldMs, DWORD everyMs) {
    Strokes strokes;
    for (int press = 0; press < times; ++press) {
        strokes.push_back({press == 0 ? 0 : everyMs - heldMs, kCtrlAltF9, Keystroke::Down});
        strokes.push_back({heldMs, kCtrlAltF9, Keystroke::Up});
    }
    return strokes;
}

struct RapidCase {
    const char* name;
    Strokes strokes;
    std::size_t fewestAtEnd, mostAtEnd;  // overlays
};

class E2eHotKeyRapid : public E2eHotKeyTest, public ::testing::WithParamInterface<RapidCase> {};

TEST_P(E2eHotKeyRapid, NeverMoreThanOneOverlay) {
    const RapidCase& param = GetParam();
    ASSERT_TRUE(WriteSetting(kHotKeyKey, VK_F9) && WriteSetting(kHotKeyMod, kCtrlAlt));
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    std::size_t most = 0;
    const auto count = [&] { most = std::max(most, OverlayWindows().size()); };
    for (const Stroke& stroke : param.strokes) {
        WaitUntil([&] { return count(), false; }, stroke.pauseMs);
        ASSERT_TRUE(stroke.keys.empty() ? ClickButton(dialog, IDC_TOGGLE)
                                        : PressKeys(stroke.keys, stroke.stroke));
    }
    // Everything the strokes queued has been handled once a trackbar message posted behind them takes effect.
    ASSERT_TRUE(PostMessageA(GetDlgItem(dialog, IDC_OPACITY), TBM_SETPOS, TRUE, 7));
    ASSERT_TRUE(WaitUntil([&] { return count(), SendToControl(dialog, IDC_OPACITY, TBM_GETPOS) == 7; },
                          kExitTimeoutMs));
    // Every overlay process left shows its window; the others are on their way out.
    EXPECT_TRUE(WaitUntil(
        [&] {
            count();
            std::set<DWORD> shown{dialog_->Id()};
            for (HWND overlay : OverlayWindows()) {
                shown.insert(ProcessOfWindow(overlay));
            }
            return programs_.Running() == shown;
        },
        kExitTimeoutMs))
        << "overlay processes without a window";
    EXPECT_LE(most, 1u) << "overlays at once";
    EXPECT_GE(OverlayWindows().size(), param.fewestAtEnd);
    EXPECT_LE(OverlayWindows().size(), param.mostAtEnd);
}

INSTANTIATE_TEST_SUITE_P(
    , E2eHotKeyRapid,
    ::testing::Values(
        RapidCase{"HeldCombinationTogglesOnce", HeldCombination(), 1, 1},
        RapidCase{"TwoPresses60msApart", {{0, kCtrlAltF9}, {60, kCtrlAltF9}}, 0, 0},
        RapidCase{"ToggleClickedTwice50msApart", {{0, {}}, {50, {}}}, 0, 0},
        RapidCase{"TwentyPresses100msApart", Repeated(20, {100, kCtrlAltF9}), 0, 0},
        // Each press toggles once, also while the one before still starts or closes the overlay.
        RapidCase{"ThreePresses150msApart", Repeated(3, {150, kCtrlAltF9}), 1, 1},
        // Faster than the overlay's process is created, while nobody looks at the key.
        RapidCase{"ThreePresses40msApart", Repeated(3, {40, kCtrlAltF9}), 1, 1},
        RapidCase{"TwoPressesHeld20ms50msApart", HeldPresses(2, 20, 50), 0, 0},
        RapidCase{"ThreePressesHeld60ms200msApart", HeldPresses(3, 60, 200), 1, 1},
        RapidCase{"FourPresses150msApart", Repeated(4, {150, kCtrlAltF9}), 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
