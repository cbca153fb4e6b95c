// The dialog's notification-area icon seen from outside: the calls that reach the shell, the notifications
// the shell sends back, the menu a right click opens, and the ways the icon and the process go.
#include "config_harness.h"

#include <shellapi.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <tuple>

namespace e2e {
namespace {

// The icon's identity, its flags and its callback message, as the shell sees them.
constexpr UINT kIconId = 90;
constexpr UINT kIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr UINT kCallbackMessage = WM_USER + 1;

// A call for the icon `window` / 90 that sets nothing; a modification succeeds exactly when the icon exists.
bool IconCall(DWORD command, HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kIconId;
    return Shell_NotifyIconA(command, &data) != FALSE;
}
bool IconExists(HWND dialog) {
    return IconCall(NIM_MODIFY, dialog);
}

// Under Wine each Shell_NotifyIcon call reaches the first top-level window of class "Shell_TrayWnd" as
// WM_COPYDATA with the command in dwData and Wine's own copy of the NOTIFYICONDATA as the data: owner window,
// icon id, flags, callback message and the tip in UTF-16, at places that change between Wine versions (Wine
// 10 put the icon's size before the tip). The recorder is such a window in front of the shell's: topmost,
// since the shell's tray window moves to the top of the others when its last icon goes. It learns where each
// field lies from a call of its own with known values, then writes each call down and passes it on.
class TrayRecorder {
public:
    TrayRecorder() : thread_([this] { Run(); }) {
        WaitForSingleObject(ready_, kStartTimeoutMs);
        NOTIFYICONDATAA probe{};  // for an icon that does not exist; the recorder keeps it to itself
        probe.cbSize = sizeof probe;
        probe.hWnd = window_;
        probe.uID = kProbe.id;
        probe.uFlags = kProbe.flags;
        probe.uCallbackMessage = kProbe.callback;
        lstrcpynA(probe.szTip, kProbe.tip, sizeof probe.szTip);
        Shell_NotifyIconA(NIM_MODIFY, &probe);
    }
    ~TrayRecorder() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
        CloseHandle(ready_);
    }

    static std::string Call(ULONG_PTR command, HWND owner, UINT flags, UINT callback,
                            const std::string& tip) {
        static const char* const kNames[] = {"add", "modify", "delete"};
        std::ostringstream text;
        text << (command < 3 ? kNames[command] : "command " + std::to_string(command)) << " " << owner
             << " flags " << flags << " message 0x" << std::hex << callback << " tip \"" << tip << "\"; ";
        return text.str();
    }
    // The calls recorded, and what kept the recorder from seeing them all.
    std::string Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string calls = calls_;
        if (!layout_) {
            calls += "the probe call was not understood; ";
        }
        if (FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr) != window_) {
            calls += "the recorder is not the first tray window; ";
        }
        return calls;
    }

private:
    // Where the fields lie in the data of a call: byte offsets.
    struct Layout {
        size_t owner, id, flags, callback, tip;
    };
    static constexpr struct {
        UINT id, flags, callback;
        const char* tip;
    } kProbe{0x7E57C0DE, NIF_MESSAGE | NIF_TIP, WM_APP + 0x3E57, "tray recorder probe"};
    static constexpr size_t kTipLength = 128;

    // The offset of the first copy of the value at or after `from`, at a multiple of `step`; or the data's
    // size.
    static size_t Find(const COPYDATASTRUCT& copy, const void* value, size_t size, size_t from, size_t step) {
        const auto* data = static_cast<const BYTE*>(copy.lpData);
        for (size_t at = from; at + size <= copy.cbData; at += step) {
            if (memcmp(data + at, value, size) == 0) {
                return at;
            }
        }
        return copy.cbData;
    }
    // The fields of the probe, each found after the one before it.
    static std::optional<Layout> Learn(const COPYDATASTRUCT& copy, HWND window) {
        const LONG owner = HandleToLong(window);
        Layout layout{};
        layout.owner = Find(copy, &owner, sizeof owner, 0, sizeof(UINT));
        layout.id = Find(copy, &kProbe.id, sizeof(UINT), layout.owner + sizeof owner, sizeof(UINT));
        layout.flags = Find(copy, &kProbe.flags, sizeof(UINT), layout.id + sizeof(UINT), sizeof(UINT));
        layout.callback =
            Find(copy, &kProbe.callback, sizeof(UINT), layout.flags + sizeof(UINT), sizeof(UINT));
        WCHAR tip[kTipLength] = {};
        const int length = MultiByteToWideChar(CP_ACP, 0, kProbe.tip, -1, tip, kTipLength);
        layout.tip = Find(copy, tip, length * sizeof(WCHAR), layout.callback + sizeof(UINT), sizeof(WCHAR));
        if (length == 0 || layout.tip + kTipLength * sizeof(WCHAR) > copy.cbData) {
            return std::nullopt;
        }
        return layout;
    }
    static UINT NumberAt(const COPYDATASTRUCT& copy, size_t offset) {
        UINT value = 0;
        memcpy(&value, static_cast<const BYTE*>(copy.lpData) + offset, sizeof value);
        return value;
    }
    static std::string TipAt(const COPYDATASTRUCT& copy, size_t offset) {
        WCHAR wide[kTipLength];
        memcpy(wide, static_cast<const BYTE*>(copy.lpData) + offset, sizeof wide);
        char tip[kTipLength * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, kTipLength, tip, sizeof tip - 1, nullptr, nullptr);
        return tip;
    }

    // Records one call; false for the probe, which the shell does not see.
    bool Record(const COPYDATASTRUCT& copy, HWND window) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!layout_) {
            layout_ = Learn(copy, window);
            return !layout_;
        }
        const Layout& at = *layout_;
        if (copy.cbData < at.tip + kTipLength * sizeof(WCHAR)) {
            calls_ += "short data; ";
        } else if (NumberAt(copy, at.id) != kIconId) {
            calls_ += "other id; ";
        } else {
            const auto owner =
                reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(NumberAt(copy, at.owner))));
            calls_ += Call(copy.dwData, owner, NumberAt(copy, at.flags), NumberAt(copy, at.callback),
                           TipAt(copy, at.tip));
        }
        return true;
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TrayRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            if (!self->Record(*reinterpret_cast<const COPYDATASTRUCT*>(lParam), window)) {
                return FALSE;
            }
            // The shell's tray is the other window of the class, wherever it lies.
            HWND shell = nullptr;
            while ((shell = FindWindowExA(nullptr, shell, "Shell_TrayWnd", nullptr)) == window) {
            }
            DWORD_PTR result = 0;
            SendMessageTimeoutA(shell, message, wParam, lParam, SMTO_NORMAL, kExitTimeoutMs, &result);
            return static_cast<LRESULT>(result);
        }
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    void Run() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&windowClass);  // fails harmlessly when an earlier recorder registered it
        window_ = CreateWindowExA(WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetEvent(ready_);
        MSG message;
        while (window_ != nullptr && GetMessageA(&message, nullptr, 0, 0) > 0) {
            DispatchMessageA(&message);
        }
    }

    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> window_{nullptr};
    std::mutex mutex_;
    std::optional<Layout> layout_;
    std::string calls_;
    std::thread thread_;
};

std::string AddCall(HWND dialog) {
    return TrayRecorder::Call(NIM_ADD, dialog, kIconFlags, kCallbackMessage, kAppTitle);
}
std::string LookUpCall(HWND dialog) {
    return TrayRecorder::Call(NIM_MODIFY, dialog, 0, 0, "");
}

// A notification as the shell sends it; the handler's result, or -1 if it was not answered.
LRESULT Notify(HWND dialog, UINT mouseMessage) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(dialog, kCallbackMessage, kIconId, mouseMessage, SMTO_NORMAL, kExitTimeoutMs,
                               &result)
               ? static_cast<LRESULT>(result)
               : -1;
}

bool RightClickAt(HWND dialog, Position pointer) {
    return MoveCursorTo(pointer) && PostMessageA(dialog, kCallbackMessage, kIconId, WM_RBUTTONUP);
}

bool CloseMenu() {
    return PressKeys({VK_ESCAPE}) && WaitUntil([] { return ShownPopupMenu() == nullptr; }, kMoveTimeoutMs);
}

// Another process's menus cannot be read under Wine, so the tray menu is compared, as shown, with a menu of
// this process that holds the expected items, opened at the same place in the same way.
std::optional<ShownMenu> ExpectedTrayMenu(Position at) {
    std::thread owner;
    const auto open = [&] {
        owner = std::thread([at] {
            HWND window = CreateWindowExA(0, "STATIC", "menu owner", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1,
                                          nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            HMENU menu = CreatePopupMenu();
            AppendMenuA(menu, MF_STRING, ID_TRAY_EXIT, "Exit");
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, ID_TRAY_CONFIGURE, "Configure");
            SetMenuDefaultItem(menu, ID_TRAY_CONFIGURE, FALSE);
            SetForegroundWindow(window);
            TrackPopupMenu(menu, 0, at.x, at.y, 0, window, nullptr);
            DestroyMenu(menu);
            DestroyWindow(window);
        });
        return true;
    };
    std::optional<ShownMenu> shown = OpenPopupMenu(open);
    CloseMenu();
    owner.join();
    return shown;
}

// The bounds of the monitor at a point.
std::optional<RECT> MonitorAt(Position at, DWORD fallback) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromPoint({at.x, at.y}, fallback), &info)) {
        return std::nullopt;
    }
    return info.rcMonitor;
}

// Right-clicks the icon with the pointer at `at` and checks the menu against the expected one.
void ExpectTrayMenuAt(HWND dialog, Position at) {
    const std::optional<ShownMenu> expected = ExpectedTrayMenu(at);
    ASSERT_TRUE(expected) << "this process could not show the expected menu";
    const std::optional<ShownMenu> shown = OpenPopupMenu([&] { return RightClickAt(dialog, at); });
    ASSERT_TRUE(shown) << "no menu after a right click; " << Describe(dialog);
    EXPECT_EQ(GetForegroundWindow(), dialog) << "the menu opened without making the dialog the foreground";
    EXPECT_TRUE(CloseMenu()) << "Escape left the menu open";
    const auto corner = [](const ShownMenu& menu) { return Position{menu.rect.left, menu.rect.top}; };
    EXPECT_EQ(corner(*shown), corner(*expected)) << "pointer at " << at;
    EXPECT_EQ(shown->picture.size, expected->picture.size);
    EXPECT_TRUE(shown->picture.pixels == expected->picture.pixels) << "the menu differs from the expected";
    RECT onMonitor{};
    const std::optional<RECT> monitor = MonitorAt(at, MONITOR_DEFAULTTONEAREST);
    EXPECT_TRUE(monitor && IntersectRect(&onMonitor, &shown->rect, &*monitor) &&
                EqualRect(&onMonitor, &shown->rect))
        << "pointer at " << at << ": the menu leaves its monitor";
}

// USER objects in use: the process's own where the system counts them; under Wine, whose GetGuiResources is a
// stub, those of all processes together, read off the handle table they share. That table hands out the
// entry freed last first and grows at its end only once none is free; so menus are taken until a long run of
// consecutive entries shows the end, and the end less the entries taken is the number in use. Blocks of
// entries freed in order by earlier programs give shorter runs below the end: a run of 64 was seen to stop
// there after a few hundred cases in one prefix.
class UserObjects {
public:
    explicit UserObjects(DWORD processId)
        : process_(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId)) {}
    ~UserObjects() {
        for (HMENU menu : taken_) {
            DestroyMenu(menu);
        }
        CloseHandle(process_);
    }
    UserObjects(const UserObjects&) = delete;
    UserObjects& operator=(const UserObjects&) = delete;

    long Count() {
        if (const DWORD count = GetGuiResources(process_, GR_USEROBJECTS)) {
            return static_cast<long>(count);
        }
        long previous = -1;
        for (int run = 0; run < 1024 && taken_.size() < 20000;) {
            HMENU menu = CreateMenu();
            if (menu == nullptr) {
                return -1;
            }
            taken_.push_back(menu);
            // Entry n has the handle 0x20 + 2n in its low word.
            const long entry = static_cast<long>((reinterpret_cast<UINT_PTR>(menu) & 0xFFFF) - 0x20) / 2;
            run = entry == previous + 1 ? run + 1 : 0;
            previous = entry;
        }
        return previous + 1 - static_cast<long>(taken_.size());
    }

private:
    HANDLE process_;
    std::vector<HMENU> taken_;
};

class E2eTray : public E2eConfigTest {
protected:
    // Starts the dialog and waits until it is on the screen and waits for input.
    HWND StartShown() {
        HWND dialog = StartDialog();
        EXPECT_TRUE(dialog != nullptr &&
                    WaitUntil([&] { return IsWindowVisible(dialog); }, kStartTimeoutMs) &&
                    WaitForProcessIdle(dialog_->Id(), kStartTimeoutMs))
            << Describe(dialog);
        dialog_window_ = dialog;
        return dialog;
    }

    // An icon left behind by a dialog that did not remove it goes with the test.
    void TearDown() override {
        dialog_.reset();
        IconCall(NIM_DELETE, dialog_window_);
    }

    // Recorded calls: expected is the whole record, checked where one is kept.
    void ExpectCalls(const std::string& expected) {
        if (recorder_) {
            EXPECT_EQ(recorder_->Calls(), expected);
        }
    }

    // Wine removes the icons of a destroyed window by itself, so only a record of the calls shows that the
    // dialog removes its own; Windows leaves them until the pointer passes over them, so there the icon's
    // absence does.
    std::optional<TrayRecorder> recorder_{UnderWine() ? std::make_optional<TrayRecorder>() : std::nullopt};
    HWND dialog_window_ = nullptr;
};

bool HideToTray(HWND dialog) {
    return SendToControl(dialog, IDC_HIDE_TO_TRAY, BM_CLICK) &&
           WaitUntil([&] { return !IsWindowVisible(dialog); }, kMoveTimeoutMs);
}

TEST_F(E2eTray, StartAddsTheIconAndHideToTrayKeepsIt) {
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ExpectCalls(AddCall(dialog));
    EXPECT_TRUE(IconExists(dialog));

    ASSERT_TRUE(HideToTray(dialog)) << Describe(dialog);
    // A hidden window has no taskbar button either.
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_TRUE(IconExists(dialog));
    ExpectCalls(AddCall(dialog) + LookUpCall(dialog) + LookUpCall(dialog));  // hiding leaves the icon alone
}

TEST_F(E2eTray, RightClickShowsTheMenuAtThePointer) {
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    // In the open, and in the screen's corner, where the menu turns to stay on the screen.
    ExpectTrayMenuAt(dialog, {400, 300});
    ExpectTrayMenuAt(dialog, {GetSystemMetrics(SM_CXSCREEN) - 5, GetSystemMetrics(SM_CYSCREEN) - 5});
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Escape in the menu changed the dialog";
}

// --- Bringing the dialog back ---

enum class Before { Hidden, Minimised, Behind };
enum class Road { DoubleClick, ConfigureCommand, ConfigureInMenu };

struct RestoreCase {
    const char* name;
    Before before;
    Road road;
};

class E2eTrayRestore : public E2eTray, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(E2eTrayRestore, ShowsAndActivatesTheDialog) {
    const RestoreCase& param = GetParam();
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ThreadWindow other("in front", WS_POPUP | WS_VISIBLE | WS_BORDER, {0, 0, 800, 600}, 0);
    if (param.before == Before::Hidden) {
        ASSERT_TRUE(HideToTray(dialog)) << Describe(dialog);
    } else if (param.before == Before::Minimised) {
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_NORMAL, kExitTimeoutMs,
                                        &result) &&
                    WaitUntil([&] { return IsIconic(dialog); }, kMoveTimeoutMs))
            << Describe(dialog);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "minimising hid the dialog";
    }
    ASSERT_TRUE(BringToForeground(other.Handle()));
    const auto state = [&] {
        return std::make_tuple(IsWindowVisible(dialog) != FALSE, IsIconic(dialog) != FALSE,
                               GetForegroundWindow());
    };
    const auto before = state();

    for (const UINT ignored : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN}) {
        EXPECT_EQ(Notify(dialog, ignored), 1) << "mouse message 0x" << std::hex << ignored;
    }
    EXPECT_FALSE(WaitUntil([&] { return state() != before; }, 300)) << "a single click changed the dialog";

    switch (param.road) {
        case Road::DoubleClick:
            EXPECT_EQ(Notify(dialog, WM_LBUTTONDBLCLK), 1);
            break;
        case Road::ConfigureCommand:
            ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, ID_TRAY_CONFIGURE, 0));
            break;
        case Road::ConfigureInMenu:
            ASSERT_TRUE(RightClickAt(dialog, {400, 300}));
            ASSERT_NE(WaitUntil(ShownPopupMenu, kMoveTimeoutMs), nullptr) << "no menu after a right click";
            // Up from no selection goes round to the last item.
            ASSERT_TRUE(PressKeys({VK_UP}) && PressKeys({VK_RETURN}));
            break;
    }
    EXPECT_TRUE(WaitUntil([&] { return state() == std::make_tuple(true, false, dialog); }, kMoveTimeoutMs))
        << "visible " << IsWindowVisible(dialog) << ", minimised " << IsIconic(dialog) << ", foreground "
        << Describe(GetForegroundWindow());
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_TRUE(IconExists(dialog));
}

constexpr RestoreCase kRestoreCases[] = {
    {"HiddenDoubleClick", Before::Hidden, Road::DoubleClick},
    {"MinimisedDoubleClick", Before::Minimised, Road::DoubleClick},
    {"BehindDoubleClick", Before::Behind, Road::DoubleClick},
    {"HiddenConfigure", Before::Hidden, Road::ConfigureCommand},
    {"MinimisedConfigure", Before::Minimised, Road::ConfigureCommand},
    {"BehindConfigure", Before::Behind, Road::ConfigureCommand},
    {"HiddenConfigureInMenu", Before::Hidden, Road::ConfigureInMenu},
    {"MinimisedConfigureInMenu", Before::Minimised, Road::ConfigureInMenu},
};

INSTANTIATE_TEST_SUITE_P(, E2eTrayRestore, ::testing::ValuesIn(kRestoreCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A second monitor left of the primary one, at negative x, as a projector beside a laptop ---

enum class OnSecond { Overlay, TrayMenu, DialogHiddenThere };

// Where the pointer (for the dialog: its top-left corner) goes: `halves` half widths and heights of the
// second monitor from its top-left corner, then `offset` pixels.
struct SecondMonitorCase {
    const char* name;
    OnSecond what;
    Position halves, offset;
};

class E2eSecondMonitor : public E2eTray, public ::testing::WithParamInterface<SecondMonitorCase> {};

TEST_P(E2eSecondMonitor, StaysWhereThePointerIs) {
    const SecondMonitorCase& param = GetParam();
    const std::optional<RECT> second = MonitorAt({-1, 0}, MONITOR_DEFAULTTONULL);
    ASSERT_TRUE(second) << "this case needs a monitor left of the primary one, at x = -1";
    const Position at{second->left + (second->right - second->left) * param.halves.x / 2 + param.offset.x,
                      second->top + (second->bottom - second->top) * param.halves.y / 2 + param.offset.y};
    if (param.what == OnSecond::Overlay) {
        // Odd both ways: the pointer lies over pixel (60, 33).
        const std::string bitmap = temp_.File("odd.bmp");
        ASSERT_TRUE(WriteBmpFile(bitmap, 121, 67, [](int, int) { return RGB(255, 0, 0); }));
        ASSERT_TRUE(WriteSetting(kBitmapFilePath, bitmap));
        ChildProcess overlay(ProgramPath(), kOverlayToken);
        HWND window = WaitForWindowOf(overlay, kOverlayTitle);
        ASSERT_NE(window, nullptr) << overlay.Describe() << "; " << DescribeWindowsOf(overlay.Id());
        ASSERT_TRUE(MoveCursorTo(at)) << "pointer did not reach " << at;
        const Position expected{at.x - 60, at.y - 33};
        EXPECT_TRUE(
            WaitUntil([&] { return HoldCursorAt(at) && WindowTopLeft(window) == expected; }, kMoveTimeoutMs))
            << "pointer " << at << ", expected top-left " << expected << ", " << Describe(window);
        return;
    }
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    if (param.what == OnSecond::TrayMenu) {
        ExpectTrayMenuAt(dialog, at);
        return;
    }
    ASSERT_TRUE(SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) &&
                WaitUntil([&] { return WindowTopLeft(dialog) == at; }, kMoveTimeoutMs))
        << Describe(dialog);
    ASSERT_TRUE(HideToTray(dialog)) << Describe(dialog);
    // Configure in the menu, opened with the pointer on that monitor too.
    ASSERT_TRUE(RightClickAt(dialog, {at.x + 50, at.y + 50}));
    ASSERT_NE(WaitUntil(ShownPopupMenu, kMoveTimeoutMs), nullptr) << "no menu after a right click";
    ASSERT_TRUE(PressKeys({VK_UP}) && PressKeys({VK_RETURN}));
    EXPECT_TRUE(
        WaitUntil([&] { return IsWindowVisible(dialog) && WindowTopLeft(dialog) == at; }, kMoveTimeoutMs))
        << "hidden at " << at << "; " << Describe(dialog);
}

INSTANTIATE_TEST_SUITE_P(
    , E2eSecondMonitor,
    ::testing::Values(SecondMonitorCase{"OverlayCentred", OnSecond::Overlay, {1, 1}, {0, 0}},
                      SecondMonitorCase{"OverlayAcrossTheBorder", OnSecond::Overlay, {2, 1}, {-1, 0}},
                      SecondMonitorCase{"OverlayAtTheFarLeft", OnSecond::Overlay, {0, 0}, {0, 0}},
                      // In its corner the menu turns, and must stay on that monitor.
                      SecondMonitorCase{"TrayMenu", OnSecond::TrayMenu, {2, 2}, {-5, -5}},
                      SecondMonitorCase{"ConfigureShowsTheDialogWhereItWasHidden",
                                        OnSecond::DialogHiddenThere,
                                        {0, 0},
                                        {100, 100}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The icon goes with the process, the overlay stays ---

struct EndCase {
    const char* name;
    bool hideFirst;
    bool (*end)(HWND dialog);
};

class E2eTrayEnd : public E2eTray, public ::testing::WithParamInterface<EndCase> {};

TEST_P(E2eTrayEnd, RemovesTheIconAndLeavesTheOverlay) {
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    HWND overlay = ToggleOn(dialog);
    ASSERT_NE(overlay, nullptr);
    if (GetParam().hideFirst) {
        ASSERT_TRUE(HideToTray(dialog)) << Describe(dialog);
    }
    ASSERT_TRUE(IconExists(dialog));

    ASSERT_TRUE(GetParam().end(dialog)) << "cannot end " << Describe(dialog);
    EXPECT_TRUE(dialog_->WaitForExit(kExitTimeoutMs)) << Describe(dialog);
    EXPECT_FALSE(IconExists(dialog)) << "the icon outlived its dialog";
    ExpectCalls(AddCall(dialog) + LookUpCall(dialog) +
                TrayRecorder::Call(NIM_DELETE, dialog, kIconFlags, 0, "") + LookUpCall(dialog));
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{overlay});
    EXPECT_FALSE(WaitForProcessExit(ProcessOfWindow(overlay), 0)) << "the overlay process ended";
}

bool PostExit(HWND dialog) {
    return PostMessageA(dialog, WM_COMMAND, ID_TRAY_EXIT, 0);
}

INSTANTIATE_TEST_SUITE_P(
    , E2eTrayEnd,
    ::testing::Values(EndCase{"Exit", false, PostExit}, EndCase{"ExitWhileHidden", true, PostExit},
                      EndCase{"ExitInMenuWhileHidden", true,
                              [](HWND dialog) {
                                  // Down from no selection goes to the first item.
                                  return RightClickAt(dialog, {400, 300}) &&
                                         WaitUntil(ShownPopupMenu, kMoveTimeoutMs) != nullptr &&
                                         PressKeys({VK_DOWN}) && PressKeys({VK_RETURN});
                              }},
                      EndCase{"CaptionClose", false,
                              [](HWND dialog) {
                                  DWORD_PTR result = 0;
                                  return SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL,
                                                             kExitTimeoutMs, &result) != 0;
                              }},
                      EndCase{"AltF4", false,
                              [](HWND dialog) {
                                  return BringToForeground(dialog) && PressKeys({VK_MENU, VK_F4});
                              }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A new taskbar ---

const UINT kTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");

TEST_F(E2eTray, TaskbarCreatedAddsTheIconAgainWithItsMenu) {
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(IconCall(NIM_DELETE, dialog));
    ASSERT_FALSE(IconExists(dialog));

    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, kTaskbarCreated, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return IconExists(dialog); }, kMoveTimeoutMs));
    if (recorder_) {
        const std::string calls = recorder_->Calls();
        EXPECT_NE(calls.find(AddCall(dialog), AddCall(dialog).size()), std::string::npos) << calls;
    }
    ExpectTrayMenuAt(dialog, {400, 300});
}

// The menu on the screen is the one a new taskbar replaces: it still works until it closes.
TEST_F(E2eTray, TaskbarCreatedWhileTheMenuIsOpenLeavesItWorking) {
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(RightClickAt(dialog, {400, 300}));
    HWND menu = WaitUntil(ShownPopupMenu, kMoveTimeoutMs);
    ASSERT_NE(menu, nullptr);
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(dialog, kTaskbarCreated, 0, 0, SMTO_NORMAL, kExitTimeoutMs, &result));
    EXPECT_EQ(ShownPopupMenu(), menu);
    ASSERT_TRUE(PressKeys({VK_DOWN}) && PressKeys({VK_RETURN}));  // the first item: Exit
    EXPECT_TRUE(dialog_->WaitForExit(kExitTimeoutMs)) << Describe(dialog);
}

TEST_F(E2eTray, TaskbarCreatedLeaksNoMenu) {
    HWND dialog = StartShown();
    ASSERT_NE(dialog, nullptr);
    // Under Wine the tray window hides, slowly, whenever its last icon goes; an icon of this process keeps
    // it.
    OwnWindow keeper("keeper", {900, 700, 950, 750});
    ASSERT_TRUE(IconCall(NIM_ADD, keeper.Handle()));
    const std::unique_ptr<HWND__, bool (*)(HWND)> kept(
        keeper.Handle(), [](HWND window) { return IconCall(NIM_DELETE, window); });
    const auto announce = [&] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(dialog, kTaskbarCreated, 0, 0, SMTO_NORMAL, kExitTimeoutMs, &result) &&
               result == 1;
    };
    ASSERT_TRUE(announce());  // whatever the shell sets up once for a re-added icon is counted from here on
    UserObjects objects(dialog_->Id());
    const long before = objects.Count();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(announce()) << "message " << i;
    }
    const long after = objects.Count();
    ASSERT_GT(before, 0);
    // A menu kept from each message would add fifty menus with fifty submenus.
    EXPECT_LT(after - before, 10) << before << " USER objects before the messages, " << after << " after";
    EXPECT_TRUE(IconExists(dialog));
}

}  // namespace
}  // namespace e2e
