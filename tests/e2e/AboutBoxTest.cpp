// The About box that the dialog's system commands open, and the web pages that the Visit button and F1 open.
// A recorder program stands in for the web browser: the test registers it for http addresses. Also: none of
// the DLLs that the system loads for them, and for the common dialogs, comes from the program's folder.
#include "config_harness.h"

#include <colordlg.h>
#include <dlgs.h>

#include <cstdio>
#include <fstream>

#include "resource.h"

namespace e2e {
namespace {

constexpr char kAboutTitle[] = "About Tobrik Mouse";
constexpr char kHomePage[] = "http://tobrik.example/";
constexpr char kProductPage[] = "http://tobrik.example/big-mouse-cursor-for-windows/";
constexpr char kShownMaximized[] = " 3";  // the recorder's line ends with the show state it was given
constexpr char kClassesKey[] = "Software\\Classes";
constexpr char kHttpCommandKey[] = "Software\\Classes\\http\\shell\\open\\command";

// Makes the given command the prefix's handler of http addresses, and puts back the previous one (or
// removes the keys it had to create) when destroyed.
class HttpCommand {
public:
    explicit HttpCommand(const std::string& command) {
        for (std::string key = kHttpCommandKey; key != kClassesKey; key.erase(key.rfind('\\'))) {
            HKEY handle = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
                RegCloseKey(handle);
                break;
            }
            created_ = key;
        }
        DWORD size = 0;
        if (created_.empty() &&
            RegGetValueA(HKEY_LOCAL_MACHINE, kHttpCommandKey, nullptr, RRF_RT_ANY | RRF_NOEXPAND, &type_,
                         nullptr, &size) == ERROR_SUCCESS) {
            previous_.emplace(size);
            RegGetValueA(HKEY_LOCAL_MACHINE, kHttpCommandKey, nullptr, RRF_RT_ANY | RRF_NOEXPAND, &type_,
                         previous_->data(), &size);
        }
        set_ = RegSetKeyValueA(HKEY_LOCAL_MACHINE, kHttpCommandKey, nullptr, REG_SZ, command.c_str(),
                               static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    }
    ~HttpCommand() {
        if (!created_.empty()) {
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, created_.c_str());
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, created_.c_str());
        } else if (previous_) {
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, kHttpCommandKey, nullptr, type_, previous_->data(),
                            static_cast<DWORD>(previous_->size()));
        } else {
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kHttpCommandKey, nullptr);
        }
    }
    HttpCommand(const HttpCommand&) = delete;
    HttpCommand& operator=(const HttpCommand&) = delete;

    bool Set() const { return set_; }

private:
    std::string created_;  // the highest key of the path that did not exist
    DWORD type_ = REG_NONE;
    std::optional<std::vector<BYTE>> previous_;
    bool set_ = false;
};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// One line per child window: class, identifier and text, or "<icon>" for an icon static showing an icon.
std::vector<std::string> ControlsOf(HWND window) {
    std::vector<std::string> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = "";
        char text[256] = "";
        GetClassNameA(child, name, sizeof(name));
        CharLowerA(name);
        GetWindowTextA(child, text, sizeof(text));
        std::string line = std::string(name) + " " + std::to_string(static_cast<short>(GetDlgCtrlID(child)));
        DWORD_PTR icon = 0;
        if (std::string(name) == "static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_NORMAL, kExitTimeoutMs, &icon);
            line += icon != 0 ? " <icon>" : " <no icon>";
        } else {
            line += std::string(" ") + text;
        }
        controls.push_back(line + (IsWindowVisible(child) ? "" : " (hidden)"));
    }
    return controls;
}

bool ClickOn(HWND window) {
    RECT rect{};
    return GetWindowRect(window, &rect) &&
           ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

class E2eAboutTest : public E2eConfigTest {
protected:
    void SetUp() override {
        E2eConfigTest::SetUp();
        ASSERT_TRUE(browser_.Set()) << "cannot register the recorder for http addresses";
        settingsBefore_ = DescribeSettings();
    }

    // The dialog, once it waits for input: a system command posted before may be undone as its window
    // appears.
    HWND StartIdleDialog() {
        HWND dialog = StartDialog();
        EXPECT_TRUE(dialog == nullptr || WaitForProcessIdle(dialog_->Id(), kStartTimeoutMs))
            << "the dialog never became idle";
        return dialog;
    }

    // The About box of the dialog's process once it is on the screen, or null.
    HWND WaitForAboutBox() {
        return WaitUntil(
            [&] {
                HWND window = FindWindowOf(dialog_->Id(), kAboutTitle);
                return IsWindowVisible(window) ? window : nullptr;
            },
            kStartTimeoutMs);
    }

    // The lines of the pages opened so far, once no recorder runs any more.
    std::vector<std::string> PagesOpened(size_t atLeast) {
        std::vector<std::string> lines;
        WaitUntil(
            [&] {
                lines.clear();
                std::ifstream file(pages_);
                for (std::string line; std::getline(file, line);) {
                    lines.push_back(line);
                }
                return lines.size() >= atLeast && recorders_.Running().empty();
            },
            kStartTimeoutMs);
        return lines;
    }

    // Nothing but what the test asked for: no overlay, no other process, the settings as they were.
    void ExpectNothingElse() {
        EXPECT_EQ(FindOverlay(), nullptr) << "an overlay appeared";
        EXPECT_EQ(programs_.Running(), std::set<DWORD>{dialog_->Id()});
        EXPECT_EQ(DescribeSettings(), settingsBefore_);
    }

    const std::string pages_ = temp_.File("pages.txt");
    NewProcesses recorders_{{"url_recorder.exe"}};
    HttpCommand browser_{Quoted(ThisProgramDirectory() + "\\url_recorder.exe") + " " + Quoted(pages_) +
                         " \"%1\""};
    std::string settingsBefore_;
};

// --- The About box ---

struct CloseWay {
    const char* name;
    bool (*close)(HWND about);
};

class E2eAboutBox : public E2eAboutTest, public ::testing::WithParamInterface<CloseWay> {};

// Every command from 0x10 to 0x1F is the About command, whatever its four low bits.
TEST_P(E2eAboutBox, EverySystemCommandOfTheAboutItemOpensItAndItCloses) {
    HWND dialog = StartIdleDialog();
    ASSERT_NE(dialog, nullptr);
    const std::vector<std::string> expectedControls = {
        "static -1 <icon>", "static -1 Tobrik Mouse Version 2.0",
        "static -1 Contact : support@tobrik.example", "button 1 OK"};
    for (WPARAM command = 0x10; command <= 0x1F; ++command) {
        char trace[32];
        snprintf(trace, sizeof(trace), "system command 0x%02X", static_cast<unsigned>(command));
        SCOPED_TRACE(trace);
        ASSERT_TRUE(PostMessageA(dialog, WM_SYSCOMMAND, command, 0));
        HWND about = WaitForAboutBox();
        ASSERT_NE(about, nullptr) << DescribeWindowsOf(dialog_->Id());
        EXPECT_EQ(GetWindow(about, GW_OWNER), dialog);
        EXPECT_EQ(ControlsOf(about), expectedControls);
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the dialog takes input while the About box is open";

        ASSERT_TRUE(GetParam().close(about)) << "cannot close " << Describe(about);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kExitTimeoutMs)) << Describe(about);
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog); }, kMoveTimeoutMs)) << Describe(dialog);
        ASSERT_TRUE(dialog_->IsRunning()) << "closing the About box ended the dialog";
    }
    EXPECT_EQ(PagesOpened(0), std::vector<std::string>{}) << "a web page was opened";
    ExpectNothingElse();
}

INSTANTIATE_TEST_SUITE_P(
    , E2eAboutBox,
    ::testing::Values(
        CloseWay{"OkClicked", [](HWND about) { return ClickOn(GetDlgItem(about, IDOK)); }},
        CloseWay{"Enter", [](HWND about) { return BringToForeground(about) && PressKeys({VK_RETURN}); }},
        CloseWay{"Escape", [](HWND about) { return BringToForeground(about) && PressKeys({VK_ESCAPE}); }},
        CloseWay{"CloseBox",
                 [](HWND about) { return PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }}),
    [](const auto& info) { return std::string(info.param.name); });

// The last item of the system menu, chosen as a user chooses it, is the About command.
TEST_F(E2eAboutTest, LastSystemMenuItemOpensTheBox) {
    HWND dialog = StartIdleDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(BringToForeground(dialog) && PressKeys({VK_MENU, VK_SPACE}));
    ASSERT_NE(WaitUntil(ShownPopupMenu, kMoveTimeoutMs), nullptr) << "Alt+Space opened no system menu";
    ASSERT_TRUE(PressKeys({VK_UP}) && PressKeys({VK_RETURN}));
    HWND about = WaitForAboutBox();
    ASSERT_NE(about, nullptr) << DescribeWindowsOf(dialog_->Id());
    ASSERT_TRUE(PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kExitTimeoutMs)) << Describe(about);
    ExpectNothingElse();
}

// --- Other system commands behave as in any dialog ---

struct StandardCommand {
    const char* name;
    WPARAM command;
    bool endsProcess;
};

class E2eAboutStandardCommand : public E2eAboutTest, public ::testing::WithParamInterface<StandardCommand> {};

TEST_P(E2eAboutStandardCommand, BehavesAsInAnyDialog) {
    HWND dialog = StartIdleDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PostMessageA(dialog, WM_SYSCOMMAND, GetParam().command, 0));
    if (GetParam().endsProcess) {
        EXPECT_TRUE(dialog_->WaitForExit(kExitTimeoutMs)) << DescribeWindowsOf(dialog_->Id());
    } else {
        EXPECT_TRUE(WaitUntil([&] { return IsIconic(dialog); }, kMoveTimeoutMs)) << Describe(dialog);
        EXPECT_TRUE(dialog_->IsRunning());
        EXPECT_EQ(FindWindowOf(dialog_->Id(), kAboutTitle), nullptr);
        ExpectNothingElse();
    }
}

INSTANTIATE_TEST_SUITE_P(, E2eAboutStandardCommand,
                         ::testing::Values(StandardCommand{"Minimize", SC_MINIMIZE, false},
                                           StandardCommand{"Close", SC_CLOSE, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Web pages ---

struct PageCase {
    const char* name;
    int control;
    bool pressF1;  // with the control focused; otherwise the control is clicked
    const char* page;
};

class E2eAboutWebPage : public E2eAboutTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(E2eAboutWebPage, OpensItsPageOnceMaximized) {
    const PageCase& param = GetParam();
    HWND dialog = StartIdleDialog();
    ASSERT_NE(dialog, nullptr);
    HWND control = GetDlgItem(dialog, param.control);
    if (param.pressF1) {
        ASSERT_TRUE(FocusControl(dialog, param.control)) << Describe(dialog);
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(dialog) == control; }, kMoveTimeoutMs))
            << Describe(FocusOf(dialog));
        // Tab reaches the dialog only after it has finished with F1, so the focus moving on shows that.
        ASSERT_TRUE(PressKeys({VK_F1}) && PressKeys({VK_TAB}));
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(dialog) != control; }, kMoveTimeoutMs));
    } else {
        ASSERT_TRUE(SendToControl(dialog, param.control, BM_CLICK)) << "the dialog did not answer the click";
    }
    EXPECT_EQ(PagesOpened(1), std::vector<std::string>{param.page + std::string(kShownMaximized)});
    EXPECT_EQ(FindWindowOf(dialog_->Id(), kAboutTitle), nullptr) << "the About box opened";
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_TRUE(IsWindowEnabled(dialog));
    ExpectNothingElse();
}

INSTANTIATE_TEST_SUITE_P(, E2eAboutWebPage,
                         ::testing::Values(PageCase{"VisitClicked", IDC_VISIT, false, kHomePage},
                                           PageCase{"F1OnBrowseButton", IDC_BROWSE_BITMAP, true,
                                                    kProductPage},
                                           PageCase{"F1OnVisitButton", IDC_VISIT, true, kProductPage},
                                           PageCase{"F1OnToggleButton", IDC_TOGGLE, true, kProductPage}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- No DLL from the program's folder or the current folder ---

// Wine, unlike Windows, prefers its own DLLs to files of the same name anywhere; told to prefer those files
// ("native") for the program, it searches as Windows does. Set for this case alone, in Wine's settings of
// programs named TobrikMouse.exe; Windows has no such key. Both DLLs load only after the program starts.
constexpr char kPlantedDlls[][16] = {"msimg32", "ole32"};
constexpr char kOverridesKey[] = "Software\\Wine\\AppDefaults\\TobrikMouse.exe\\DllOverrides";

struct PreferPlantedDlls {
    PreferPlantedDlls() {
        for (const char* name : kPlantedDlls) {
            set = set && RegSetKeyValueA(HKEY_CURRENT_USER, kOverridesKey, name, REG_SZ, "native,builtin",
                                         sizeof "native,builtin") == ERROR_SUCCESS;
        }
    }
    ~PreferPlantedDlls() {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\TobrikMouse.exe");
    }
    PreferPlantedDlls(const PreferPlantedDlls&) = delete;
    PreferPlantedDlls& operator=(const PreferPlantedDlls&) = delete;
    bool set = true;
};

// The files that planted DLLs in the folder left when a process loaded them.
std::vector<std::string> LoadedFrom(const std::string& folder) {
    std::vector<std::string> loaded;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*.loaded").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        loaded.push_back(folder + "\\" + found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    return loaded;
}

TEST_F(E2eAboutTest, NoDllComesFromTheProgramsOrTheCurrentFolder) {
    const std::string portable = temp_.Subdirectory("portable");
    const std::string current = temp_.Subdirectory("current");
    const std::string program = CopyProgramTo(portable);
    ASSERT_FALSE(program.empty()) << "cannot copy the program to " << portable;
    for (const std::string& folder : {portable, current}) {
        for (const char* name : kPlantedDlls) {
            const std::string planted = folder + "\\" + name + ".dll";
            ASSERT_TRUE(
                CopyFileA((ThisProgramDirectory() + "\\planted_dll.dll").c_str(), planted.c_str(), FALSE));
        }
    }
    const PreferPlantedDlls preferPlanted;
    ASSERT_TRUE(preferPlanted.set);
    dialog_.emplace(program, "", current);
    HWND dialog = WaitForWindowOf(*dialog_, kAppTitle);
    ASSERT_NE(dialog, nullptr) << dialog_->Describe();
    EXPECT_TRUE(WaitForProcessIdle(dialog_->Id(), kStartTimeoutMs));

    // Everything that loads DLLs after the start: the overlay, both common dialogs, the About box, a web
    // page.
    EXPECT_NE(ToggleOn(dialog), nullptr);
    for (const auto& [button, control] :
         {std::pair{IDC_BROWSE_BITMAP, cmb13}, {IDC_SELECT_COLOR, COLOR_RED}}) {
        HWND box = ClickButton(dialog, button) ? WaitForOwnedDialog(dialog, 0xFFFF) : nullptr;  // its text
        HWND common =
            box != nullptr && ClickButton(box, IDOK) ? WaitForOwnedDialog(dialog, control) : nullptr;
        ASSERT_NE(common, nullptr) << "button " << button << ": " << DescribeWindowsOf(dialog_->Id());
        EXPECT_TRUE(ClickButton(common, IDCANCEL) &&
                    WaitUntil([&] { return !IsWindow(common); }, kExitTimeoutMs));
    }
    ASSERT_TRUE(PostMessageA(dialog, WM_SYSCOMMAND, 0x10, 0));
    HWND about = WaitForAboutBox();
    ASSERT_NE(about, nullptr) << DescribeWindowsOf(dialog_->Id());
    EXPECT_TRUE(PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0) &&
                WaitUntil([&] { return !IsWindow(about); }, kExitTimeoutMs));
    EXPECT_TRUE(SendToControl(dialog, IDC_VISIT, BM_CLICK));
    EXPECT_EQ(PagesOpened(1), std::vector<std::string>{kHomePage + std::string(kShownMaximized)});

    EXPECT_EQ(LoadedFrom(portable), std::vector<std::string>{});
    EXPECT_EQ(LoadedFrom(current), std::vector<std::string>{});
}

}  // namespace
}  // namespace e2e
