// Helpers for end-to-end tests that drive the real TobrikMouse.exe from outside, as a user or another
// process would, and check what Windows reports back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace e2e {

inline constexpr char kAppTitle[] = "Tobrik Mouse by tobrik.example";
inline constexpr char kOverlayTitle[] = "Tobrik Mouse by tobrik.example Tobrik Mouse by tobrik.example";
inline constexpr char kOverlayToken[] = ":LaunchTobrikCursor";
inline constexpr char kSettingsKey[] = "Software\\tobrik.example\\Tobrik Mouse by tobrik.example\\Settings";
inline constexpr char kBitmapFilePath[] = "BitmapFilePath";
inline constexpr char kRed[] = "TransparentColorRed";
inline constexpr char kGreen[] = "TransparentColorGreen";
inline constexpr char kBlue[] = "TransparentColorBlue";
inline constexpr char kOpacity[] = "TransparencyValue";
inline constexpr char kHotKeyKey[] = "HotKeyKey";
inline constexpr char kHotKeyMod[] = "HotKeyMod";

inline constexpr DWORD kStartTimeoutMs = 10000;  // the first start in a fresh Wine prefix is slow
inline constexpr DWORD kMoveTimeoutMs = 2000;    // forty ticks of the overlay's 50 ms timer
inline constexpr DWORD kExitTimeoutMs = 10000;
inline constexpr DWORD kPollStepMs = 10;

// Polls until the predicate yields a true value or the time is up, and returns its last result.
// It does not pump the messages of the test process: the processes under test have their own threads.
template <typename Predicate>
auto WaitUntil(Predicate&& predicate, DWORD timeoutMs) -> decltype(predicate()) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        auto result = predicate();
        if (result || GetTickCount64() >= deadline) {
            return result;
        }
        Sleep(kPollStepMs);
    }
}

struct Extent {
    LONG width;
    LONG height;
};
struct Position {
    LONG x;
    LONG y;
};
struct Layering {
    COLORREF key;
    BYTE alpha;
    DWORD flags;
};
bool operator==(const Extent& a, const Extent& b);
bool operator==(const Position& a, const Position& b);
bool operator==(const Layering& a, const Layering& b);
inline bool operator!=(const Extent& a, const Extent& b) {
    return !(a == b);
}
inline bool operator!=(const Position& a, const Position& b) {
    return !(a == b);
}
inline bool operator!=(const Layering& a, const Layering& b) {
    return !(a == b);
}
std::ostream& operator<<(std::ostream& out, const Extent& extent);
std::ostream& operator<<(std::ostream& out, const Position& position);
std::ostream& operator<<(std::ostream& out, const Layering& layering);

// The harness's strings are UTF-8, and it hands paths, texts and registry strings to the wide calls, so
// that a name outside this process's code page means the same to it as to the program under test.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// Whether this runs under Wine, for the few checks whose evidence Wine shows otherwise than Windows.
bool UnderWine();
int WineMajorVersion();  // 0 on Windows

// Where the program under test lives: next to this test program.
std::string ThisProgramDirectory();
std::string ProgramPath();
std::string DefaultBitmapPath();

// One started TobrikMouse.exe. The destructor ends it if it still runs: WM_CLOSE to its top-level
// windows first, then, after a bounded wait, TerminateProcess.
class ChildProcess {
public:
    // Command line: the executable path (quoted unless quotePath is false), a blank and the tail if any.
    ChildProcess(const std::string& exePath, const std::string& tail,
                 const std::string& workingDirectory = {}, bool quotePath = true);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }
    bool IsRunning() const;
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;  // the exit code, or nothing on time-out
    std::string Describe() const;                             // command line and start error, for messages

private:
    PROCESS_INFORMATION info_{};
    std::string commandLine_;
    DWORD startError_ = 0;
};

// Windows.
std::vector<HWND> TopLevelWindows(const std::function<bool(HWND)>& keep);  // in Z order, those kept
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
HWND FindWindowOf(DWORD processId, const char* exactTitle);
HWND WaitForWindowOf(const ChildProcess& process, const char* exactTitle, DWORD timeoutMs = kStartTimeoutMs);
HWND FindOverlay();  // by title alone, as the configuration process looks for it
Extent WindowSize(HWND window);
Position WindowTopLeft(HWND window);
std::optional<Layering> LayeringOf(HWND window);
bool SendClose(HWND window);  // WM_CLOSE, sent with a time-out
std::string Describe(HWND window);
std::string DescribeWindowsOf(DWORD processId);
std::vector<HWND> OverlayWindows();  // every top-level window carrying the overlay title
DWORD ProcessOfWindow(HWND window);
std::string ProcessImagePath(DWORD processId);              // empty when it cannot be read
bool WaitForProcessExit(DWORD processId, DWORD timeoutMs);  // also true when there is no such process
// WaitForInputIdle: true once the process waits for input in its message loop.
bool WaitForProcessIdle(DWORD processId, DWORD timeoutMs);
// SetForegroundWindow, then waits until the system says so.
bool BringToForeground(HWND window);
// Presses the keys in the given order and releases them in reverse order, with SendInput and the scan codes
// (and extended-key flags) a keyboard sends; or only presses them (a key held down sends its press again
// as it repeats), or only releases them.
enum class Keystroke { PressAndRelease, Down, Up };
// SendInput of all the inputs at once. Wine 10 refuses injected input (nothing sent) while the calling
// thread's desktop is not yet the input desktop, as just after the last program of the prefix has gone and
// the desktop's process starts again; such a refusal is retried for a while.
bool SendInputs(std::vector<INPUT> inputs);
bool PressKeys(const std::vector<WORD>& keys, Keystroke stroke = Keystroke::PressAndRelease);
bool MoveCursorTo(Position position);  // SetCursorPos, then waits until GetCursorPos agrees
bool HoldCursorAt(Position position);  // if it is not, puts the pointer there again
// The size in pixels of a dialog of cx x cy dialog units in 8 pt "MS Sans Serif", as the dialog manager
// computes it for this process.
Extent DialogUnitsToPixels(int cx, int cy);
// What the dialog manager makes of one of the program's dialogs in this process, at this process's scaling:
// its font and its client area, from a hidden copy of the program's own template without its controls.
struct DialogMetrics {
    LOGFONTA font;
    Extent client;
};
std::optional<DialogMetrics> ProgramDialogHere(int templateId);

// Who has the keyboard: the foreground window, and the focus on its thread.
struct KeyboardOwner {
    HWND foreground;
    HWND focus;
};
bool operator==(const KeyboardOwner& a, const KeyboardOwner& b);
std::ostream& operator<<(std::ostream& out, const KeyboardOwner& owner);
KeyboardOwner KeyboardNow();
// Samples who has the keyboard, running `step` before each sample, until `step` has first returned true
// (within kStartTimeoutMs) and durationMs more have passed; fails at the first sample that is not `expected`.
::testing::AssertionResult KeepsTheKeyboard(const KeyboardOwner& expected, DWORD durationMs,
                                            const std::function<bool()>& step);

// A visible top-level window of the test process itself, for the program under test to act on or around.
// Its messages are handled only while PumpMessages runs.
class OwnWindow {
public:
    OwnWindow(const char* title, RECT bounds, const char* className = "STATIC");
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;

    HWND Handle() const { return window_; }
    // Makes it the foreground window and waits until the system says so; false if refused.
    bool BringToForeground();
    // Handles this thread's messages for the given time.
    static void PumpMessages(DWORD durationMs);

private:
    HWND window_ = nullptr;
};

// A top-level window of the test process on a thread of its own. That thread handles the window's messages,
// and WM_CLOSE destroys the window closeDelayMs later; with kHung it never looks at a message until the
// object is destroyed.
class ThreadWindow {
public:
    static constexpr DWORD kHung = INFINITE;
    ThreadWindow(const char* title, DWORD style, RECT bounds, DWORD closeDelayMs);
    ~ThreadWindow();
    ThreadWindow(const ThreadWindow&) = delete;
    ThreadWindow& operator=(const ThreadWindow&) = delete;

    HWND Handle() const { return window_; }

private:
    static DWORD WINAPI Run(void* self);

    std::string title_;
    DWORD style_;
    RECT bounds_;
    DWORD closeDelayMs_;
    HWND window_ = nullptr;
    HANDLE ready_;
    HANDLE release_;
    HANDLE thread_;
};

// The processes of the program that start while it lives: those of the given executable names that were not
// running when it was made. When destroyed it ends those still running, WM_CLOSE first and TerminateProcess
// after a bounded wait, so that overlays a test makes the program start go even when the test fails.
class NewProcesses {
public:
    explicit NewProcesses(std::vector<std::string> executableNames);
    ~NewProcesses();
    NewProcesses(const NewProcesses&) = delete;
    NewProcesses& operator=(const NewProcesses&) = delete;

    std::set<DWORD> Running() const;

private:
    std::set<DWORD> RunningWithTheNames() const;

    std::vector<std::string> names_;
    std::set<DWORD> before_;
};

// Settings of the program in HKEY_CURRENT_USER.
bool WriteSetting(const char* name, DWORD value);
bool WriteSetting(const char* name, const std::string& value);
bool DeleteSetting(const char* name);
bool DeleteAllSettings();  // leaves the key empty; creates it, as the program's first read would, if missing
std::optional<DWORD> ReadDwordSetting(const char* name);
std::optional<std::string> ReadStringSetting(const char* name);
std::string DescribeSettings();

// Records every value of the settings key (or that the key, or its parents, did not exist) and puts
// exactly that state back when destroyed, so a run on a real machine leaves the user's settings alone.
class SettingsSnapshot {
public:
    SettingsSnapshot();
    ~SettingsSnapshot();
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<std::string> missingKeys_;  // deepest first
    std::vector<Value> values_;
};

// A fresh directory under the temporary directory, removed with everything in it when destroyed.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    std::string Subdirectory(const std::string& name) const;  // created; empty on failure

private:
    std::string path_;
};

// Files.
bool WriteBmpFile(const std::string& path, int width, int height,
                  const std::function<COLORREF(int x, int y)>& pixel);
bool WriteTextFile(const std::string& path, const std::string& text);
std::optional<Extent> ReadBmpSize(const std::string& path);
std::string CopyProgramTo(const std::string& directory);  // the copy's path; empty on failure

// Every test starts from empty settings, with no overlay anywhere, and gets its own temporary directory; all
// are undone after it, and every process of the program that it caused is ended.
class E2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DeleteAllSettings()) << DescribeSettings();
        // The window of an overlay that an earlier test ended may take a moment to go.
        ASSERT_TRUE(WaitUntil([] { return FindOverlay() == nullptr; }, kExitTimeoutMs))
            << "an overlay runs already: " << Describe(FindOverlay());
    }

    SettingsSnapshot snapshot_;
    TempDirectory temp_;
    // "dir.exe" is what an unquoted command line would run for a program in "dir with blanks".
    NewProcesses programs_{{"TobrikMouse.exe", "dir.exe"}};
};

}  // namespace e2e
