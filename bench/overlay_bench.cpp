// Benchmark of the cursor overlay, seen from outside as the user's system sees it: it starts
// TobrikMouse.exe from its own directory, moves the real pointer and watches the overlay's window.
// For the restart it plays the configuration process itself, calling the product's own overlay control.
// It reports figures beside their targets and always exits 0 once it has run: it measures, it does not
// gate. Each measurement is one entry of kMeasurements; a new one is a function and a line there.
#include "bench_support.h"

#include "app/OverlayContract.h"
#include "app/OverlayControl.h"
#include "framework/WinApp.h"
#include "vendor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using bench::FormatNumber;
using bench::FormatPoint;
using bench::FormatRect;
using bench::Summary;
using bench::WindowedProgram;

// The overlay control finds the overlay by the application object's title, as in the configuration
// process; with the product's title and registry key this process restarts the overlay exactly as the
// dialog does. Only the hot-key measurement writes the profile, and it puts back what it found.
class ConfigurationRole : public CWinApp {
public:
    ConfigurationRole() : CWinApp(TOBRIK_APPLICATION_TITLE) { SetRegistryKey(TOBRIK_VENDOR_SITE); }
};
ConfigurationRole theConfigurationRole;

constexpr char kOverlayProgram[] = "TobrikMouse.exe";
constexpr char kDialogTitle[] = TOBRIK_APPLICATION_TITLE;
constexpr char kOverlayTitle[] = TOBRIK_APPLICATION_TITLE " " TOBRIK_APPLICATION_TITLE;
constexpr char kMinimalDialogProgram[] = "minimal_dialog.exe";
constexpr char kMinimalDialogTitle[] = "Tobrik Mouse benchmark minimal dialog";

// Targets.
constexpr double kLagP50TargetMs = 30;
constexpr double kLagMaxTargetMs = 60;
constexpr double kCpuTargetFactor = 1.5;         // times the minimal dialog's CPU time ...
constexpr double kCpuTargetAllowanceMsPerS = 1;  // ... plus this much per second of wall time
constexpr double kStartupP50TargetMs = 300;

// Bounds on every wait, so a broken overlay costs seconds, not the whole run.
constexpr double kWindowTimeoutMs = 10000;
constexpr double kFirstCentreTimeoutMs = 3000;
constexpr double kMoveTimeoutMs = 1000;
constexpr DWORD kExitTimeoutMs = 5000;
constexpr int kTimeoutsBeforeGivingUp = 5;

// The overlay's timer period: a random dwell over one period puts the moves at random phases of it.
constexpr double kTickMs = 50;
constexpr double kMinimumJumpPixels = 200;
constexpr double kMovingStepMs = 16;
// After a program's window appears, its start-up work (first paint, showing) is left to finish before
// its CPU time is sampled.
constexpr double kSettleMs = 500;

struct Options {
    unsigned seed = 1;
    int moves = 300;
    // Process CPU time advances in clock ticks (10 ms under Wine, about 15.6 ms on Windows); over 20 s
    // one tick is 0.5 ms/s, well inside the 1 ms/s allowance of the CPU targets.
    double cpuSeconds = 20;
    // Runs of each start-up figure: the overlay's start, its restart and the dialog's start.
    int starts = 20;
    std::vector<std::string> selected;
};

struct Context {
    Options options;
    std::string directory;  // this program's directory, with a trailing backslash
    bench::Clock clock;
    bench::Pacer pacer;
    std::mt19937 random;
    SIZE screen = {};
    bench::Report report;
    double startupP50Ms = -1;  // the overlay's own start-up, once measured

    std::string OverlayCommand() const { return OverlayCommandLine(directory + kOverlayProgram); }
    std::string DialogCommand() const { return "\"" + directory + kOverlayProgram + "\""; }
    std::string MinimalDialogCommand() const { return "\"" + directory + kMinimalDialogProgram + "\""; }
};

// Where the overlay's top-left corner belongs when it is centred on the pointer.
POINT CentredTopLeft(const RECT& rect, POINT pointer) {
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    return {pointer.x - width / 2, pointer.y - height / 2};
}

bool IsCentred(const RECT& rect, POINT pointer) {
    const POINT expected = CentredTopLeft(rect, pointer);
    return rect.left == expected.x && rect.top == expected.y;
}

// Moves the pointer and returns where it really is (the system may clip it).
POINT MovePointer(POINT target) {
    SetCursorPos(target.x, target.y);
    POINT actual = target;
    GetCursorPos(&actual);
    return actual;
}

POINT ScreenCentre(const Context& context) {
    return {context.screen.cx / 2, context.screen.cy / 2};
}

struct CentreWait {
    bool centred = false;
    double lagMs = 0;    // from sinceMs to the sample that saw the window centred
    RECT lastRect = {};  // the last rectangle sampled
    int samples = 0;
};

// Samples the window's rectangle every millisecond until it is centred on the pointer.
CentreWait WaitUntilCentred(Context& context, HWND window, POINT pointer, double sinceMs, double timeoutMs) {
    CentreWait wait;
    for (;;) {
        GetWindowRect(window, &wait.lastRect);
        const double now = context.clock.NowMs();
        ++wait.samples;
        if (IsCentred(wait.lastRect, pointer)) {
            wait.centred = true;
            wait.lagMs = now - sinceMs;
            return wait;
        }
        if (now - sinceMs > timeoutMs) {
            return wait;
        }
        context.pacer.SleepMs(1);
    }
}

std::string DescribeMiss(const CentreWait& wait, POINT pointer) {
    const POINT expected = CentredTopLeft(wait.lastRect, pointer);
    std::string text = "pointer " + FormatPoint(pointer) + ", window " + FormatRect(wait.lastRect) +
                       ", centred would put its top-left corner at " + FormatPoint(expected);
    if (wait.lastRect.left == pointer.x && wait.lastRect.top == pointer.y) {
        text += " (its top-left corner is on the pointer, as when no bitmap was loaded)";
    }
    return text;
}

bool StartOverlay(Context& context, WindowedProgram* overlay, std::string* error) {
    return bench::StartWithWindow(context.clock, context.pacer, context.OverlayCommand(), kOverlayTitle,
                                  kWindowTimeoutMs, overlay, error);
}

void CloseOrNote(Context& context, WindowedProgram* program, const char* what) {
    if (!bench::CloseAndWait(program, kExitTimeoutMs)) {
        context.report.Note(std::string(what) + " did not exit within " + std::to_string(kExitTimeoutMs) +
                            " ms of WM_CLOSE and was killed");
    }
}

// A random point at least kMinimumJumpPixels from the previous one, kept far enough from the edges
// that the whole overlay stays on the screen.
POINT NextJump(Context& context, POINT previous, SIZE overlay) {
    const LONG marginX = std::min(overlay.cx / 2, context.screen.cx / 4);
    const LONG marginY = std::min(overlay.cy / 2, context.screen.cy / 4);
    std::uniform_int_distribution<LONG> x(marginX, context.screen.cx - 1 - marginX);
    std::uniform_int_distribution<LONG> y(marginY, context.screen.cy - 1 - marginY);
    const double minimum = std::min(
        kMinimumJumpPixels, std::hypot(context.screen.cx - 2 * marginX, context.screen.cy - 2 * marginY) / 3);
    for (;;) {
        const POINT next = {x(context.random), y(context.random)};
        if (std::hypot(next.x - previous.x, next.y - previous.y) >= minimum) {
            return next;
        }
    }
}

void MeasureFollowLag(Context& context) {
    WindowedProgram overlay;
    std::string error;
    if (!StartOverlay(context, &overlay, &error)) {
        context.report.AddText("follow lag", "not measured");
        context.report.Note("follow lag: " + error);
        return;
    }
    const POINT home = MovePointer(ScreenCentre(context));
    const CentreWait first =
        WaitUntilCentred(context, overlay.window, home, context.clock.NowMs(), kFirstCentreTimeoutMs);
    if (!first.centred) {
        context.report.AddText("follow lag", "never centred");
        context.report.Note("follow lag: the overlay was not centred within " +
                            FormatNumber(kFirstCentreTimeoutMs, 0) +
                            " ms of its start: " + DescribeMiss(first, home));
        CloseOrNote(context, &overlay, "the overlay");
        return;
    }
    const SIZE size = {first.lastRect.right - first.lastRect.left,
                       first.lastRect.bottom - first.lastRect.top};
    context.report.Note("overlay window " + std::to_string(size.cx) + " x " + std::to_string(size.cy) +
                        " on a " + std::to_string(context.screen.cx) + " x " +
                        std::to_string(context.screen.cy) + " screen");

    std::uniform_real_distribution<double> dwell(0, kTickMs);
    std::vector<double> lags;
    int samples = 0;
    double sampledMs = 0;
    int timeouts = 0;
    int timeoutsInARow = 0;
    POINT previous = home;
    for (int move = 0; move < context.options.moves; ++move) {
        const POINT target = NextJump(context, previous, size);
        context.pacer.SleepMs(dwell(context.random));
        const double movedAt = context.clock.NowMs();
        const POINT pointer = MovePointer(target);
        const CentreWait wait = WaitUntilCentred(context, overlay.window, pointer, movedAt, kMoveTimeoutMs);
        samples += wait.samples;
        sampledMs += context.clock.NowMs() - movedAt;
        previous = pointer;
        if (wait.centred) {
            lags.push_back(wait.lagMs);
            timeoutsInARow = 0;
            continue;
        }
        // A move the overlay never followed counts as the whole wait.
        lags.push_back(kMoveTimeoutMs);
        if (timeouts++ == 0) {
            context.report.Note("follow lag: move " + std::to_string(move + 1) + " not followed within " +
                                FormatNumber(kMoveTimeoutMs, 0) + " ms: " + DescribeMiss(wait, pointer));
        }
        if (++timeoutsInARow == kTimeoutsBeforeGivingUp) {
            context.report.Note("follow lag: gave up after " + std::to_string(kTimeoutsBeforeGivingUp) +
                                " moves in a row were not followed");
            break;
        }
    }
    CloseOrNote(context, &overlay, "the overlay");

    const Summary lag = bench::Summarise(lags);
    const std::string moves = " (" + std::to_string(lag.count) + " moves)";
    context.report.AddWithLimit("follow lag p50" + moves, lag.p50, "ms", kLagP50TargetMs, false,
                                "<= " + FormatNumber(kLagP50TargetMs, 0) + " ms");
    context.report.Add("follow lag p95", lag.p95, "ms");
    context.report.AddWithLimit("follow lag max", lag.max, "ms", kLagMaxTargetMs, false,
                                "<= " + FormatNumber(kLagMaxTargetMs, 0) + " ms");
    if (timeouts > 0) {
        context.report.AddText("follow lag: moves not followed", std::to_string(timeouts));
    }
    if (samples > 0) {
        context.report.Note("window rectangle sampled every " + FormatNumber(sampledMs / samples, 2) +
                            " ms on average (" + context.pacer.Kind() + ")");
    }
}

// A pointer path for the moving-pointer CPU figures: a Lissajous figure over most of the screen, one
// step every kMovingStepMs, about as fast as a brisk hand.
POINT PathPoint(const Context& context, int step) {
    const double cx = context.screen.cx / 2.0, cy = context.screen.cy / 2.0;
    return {static_cast<LONG>(cx + 0.4 * context.screen.cx * std::sin(step * 0.050)),
            static_cast<LONG>(cy + 0.4 * context.screen.cy * std::sin(step * 0.037))};
}

struct CpuRates {
    bool measured = false;
    double stillMsPerS = 0;
    double movingMsPerS = 0;
};

double CpuRateStill(Context& context, const bench::ChildProcess& process) {
    const double cpuBefore = process.CpuMs();
    const double start = context.clock.NowMs();
    context.pacer.SleepMs(context.options.cpuSeconds * 1000);
    const double wallMs = context.clock.NowMs() - start;
    return (process.CpuMs() - cpuBefore) * 1000 / wallMs;
}

double CpuRateMoving(Context& context, const bench::ChildProcess& process) {
    const double cpuBefore = process.CpuMs();
    const double start = context.clock.NowMs();
    const int steps = static_cast<int>(context.options.cpuSeconds * 1000 / kMovingStepMs);
    for (int step = 0; step < steps; ++step) {
        context.pacer.SleepUntil(context.clock, start + step * kMovingStepMs);
        SetCursorPos(PathPoint(context, step).x, PathPoint(context, step).y);
    }
    context.pacer.SleepUntil(context.clock, start + steps * kMovingStepMs);
    const double wallMs = context.clock.NowMs() - start;
    return (process.CpuMs() - cpuBefore) * 1000 / wallMs;
}

// Starts one program, lets it settle with the pointer at the path's start, then measures its CPU time
// per second with the pointer still and while it moves.
CpuRates MeasureCpuOf(Context& context, const std::string& commandLine, const char* title, const char* what) {
    CpuRates rates;
    WindowedProgram program;
    std::string error;
    if (!bench::StartWithWindow(context.clock, context.pacer, commandLine, title, kWindowTimeoutMs, &program,
                                &error)) {
        context.report.Note(std::string("CPU of ") + what + ": " + error);
        return rates;
    }
    MovePointer(PathPoint(context, 0));
    context.pacer.SleepMs(kSettleMs);
    rates.stillMsPerS = CpuRateStill(context, program.process);
    rates.movingMsPerS = CpuRateMoving(context, program.process);
    rates.measured = true;
    CloseOrNote(context, &program, what);
    return rates;
}

void AddCpuFigure(Context& context, const std::string& name, double overlay, double reference) {
    const double limit = kCpuTargetFactor * reference + kCpuTargetAllowanceMsPerS;
    context.report.AddWithLimit(
        name, overlay, "ms/s", limit, false,
        "<= " + FormatNumber(kCpuTargetFactor, 1) + " x " + FormatNumber(reference, 1) + " + " +
            FormatNumber(kCpuTargetAllowanceMsPerS, 0) + " = " + FormatNumber(limit, 1) + " ms/s");
}

void MeasureCpu(Context& context) {
    const CpuRates dialog =
        MeasureCpuOf(context, context.MinimalDialogCommand(), kMinimalDialogTitle, "the minimal dialog");
    const CpuRates overlay = MeasureCpuOf(context, context.OverlayCommand(), kOverlayTitle, "the overlay");
    if (!dialog.measured || !overlay.measured) {
        context.report.AddText("CPU", "not measured");
        return;
    }
    const double step = bench::CpuTimeStepMs(context.clock);
    if (step > 0) {
        context.report.Note("process CPU time advances in steps of " + FormatNumber(step, 1) +
                            " ms here, so each CPU figure is good to about +-" +
                            FormatNumber(step / context.options.cpuSeconds, 1) + " ms/s");
    }
    const std::string seconds = " (" + FormatNumber(context.options.cpuSeconds, 0) + " s)";
    context.report.Add("CPU, pointer still, minimal dialog" + seconds, dialog.stillMsPerS, "ms/s");
    AddCpuFigure(context, "CPU, pointer still, overlay" + seconds, overlay.stillMsPerS, dialog.stillMsPerS);
    const std::string moving = " (" + FormatNumber(context.options.cpuSeconds, 0) + " s, a move every " +
                               FormatNumber(kMovingStepMs, 0) + " ms)";
    context.report.Add("CPU, pointer moving, minimal dialog" + moving, dialog.movingMsPerS, "ms/s");
    AddCpuFigure(context, "CPU, pointer moving, overlay" + moving, overlay.movingMsPerS, dialog.movingMsPerS);
}

void MeasureStartup(Context& context) {
    std::vector<double> startups;
    int failures = 0;
    for (int start = 0; start < context.options.starts; ++start) {
        WindowedProgram overlay;
        std::string error;
        if (!StartOverlay(context, &overlay, &error)) {
            if (failures++ == 0) {
                context.report.Note("start-up " + std::to_string(start + 1) + ": " + error);
            }
            continue;
        }
        startups.push_back(overlay.foundAtMs - overlay.startedAtMs);
        CloseOrNote(context, &overlay, "an overlay");
    }
    if (startups.empty()) {
        context.report.AddText("overlay start-up", "not measured");
        return;
    }
    const Summary startup = bench::Summarise(startups);
    context.startupP50Ms = startup.p50;
    context.report.AddWithLimit("overlay start-up p50 (" + std::to_string(startup.count) + " starts)",
                                startup.p50, "ms", kStartupP50TargetMs, true,
                                "< " + FormatNumber(kStartupP50TargetMs, 0) + " ms");
    context.report.Add("overlay start-up min", startup.min, "ms");
    context.report.Add("overlay start-up max", startup.max, "ms");
    if (failures > 0) {
        context.report.AddText("overlay start-up: failed starts", std::to_string(failures));
    }
}

// Median, minimum and maximum of a sample of times without a target.
void AddTimes(Context& context, const std::string& name, const std::string& runs,
              const std::vector<double>& times) {
    const Summary summary = bench::Summarise(times);
    context.report.Add(name + " p50" + runs, summary.p50, "ms");
    context.report.Add(name + " min", summary.min, "ms");
    context.report.Add(name + " max", summary.max, "ms");
}

// The processes of the overlay windows now on the screen.
std::vector<DWORD> OverlayProcessIds() {
    std::vector<DWORD> ids;
    for (HWND window : bench::FindWindowsByTitle(kOverlayTitle)) {
        ids.push_back(bench::WindowProcessId(window));
    }
    return ids;
}

bool Contains(const std::vector<DWORD>& ids, DWORD id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Ends every overlay whose process is not in `spared` (those that ran before the measurement): WM_CLOSE,
// then TerminateProcess. The product starts these itself, so the job cannot have held them from their
// start. Returns how many it ended.
int EndOverlaysExcept(Context& context, const std::vector<DWORD>& spared) {
    int ended = 0;
    std::vector<DWORD> done;
    for (HWND window : bench::FindWindowsByTitle(kOverlayTitle)) {
        const DWORD id = bench::WindowProcessId(window);
        if (id == 0 || Contains(spared, id) || Contains(done, id)) {
            continue;
        }
        done.push_back(id);
        WindowedProgram overlay;
        std::string error;
        if (!overlay.process.Adopt(id, &error)) {
            context.report.Note("an overlay could not be ended: " + error);
            continue;
        }
        overlay.window = window;
        CloseOrNote(context, &overlay, "an overlay the product started");
        ++ended;
    }
    return ended;
}

// An overlay window that belongs to a process other than `oldProcess`. The benchmark holds the old
// process's handle, so its id cannot be reused by the new one.
HWND FindNewOverlay(HWND oldWindow, DWORD oldProcess) {
    for (HWND window : bench::FindWindowsByTitle(kOverlayTitle)) {
        const DWORD id = bench::WindowProcessId(window);
        if (window != oldWindow && id != 0 && id != oldProcess) {
            return window;
        }
    }
    return nullptr;
}

struct RestartTimes {
    double restartMs = 0;  // from the call to the new overlay's window found
    double callMs = 0;     // the call alone
};

// One restart of an overlay the benchmark started itself; it ends the new overlay before it returns.
bool RestartOnce(Context& context, RestartTimes* times, std::string* error) {
    WindowedProgram old;
    if (!StartOverlay(context, &old, error)) {
        return false;
    }
    // The user restarts an overlay that has been running a while, not one still starting up.
    context.pacer.SleepMs(kSettleMs);
    const double calledAt = context.clock.NowMs();
    RestartOverlayFrom(context.directory + kOverlayProgram);
    const double returnedAt = context.clock.NowMs();
    WindowedProgram fresh;
    for (;;) {
        fresh.window = FindNewOverlay(old.window, old.process.Id());
        const double now = context.clock.NowMs();
        if (fresh.window) {
            fresh.foundAtMs = now;
            break;
        }
        if (now - returnedAt > kWindowTimeoutMs) {
            *error = "no new overlay window within " + FormatNumber(kWindowTimeoutMs, 0) +
                     " ms of the call's return (" + FormatNumber(returnedAt - calledAt, 0) + " ms)" +
                     (IsWindow(old.window) ? "; the old overlay's window was still there" : "");
            CloseOrNote(context, &old, "an overlay to be restarted");
            return false;
        }
        context.pacer.SleepMs(1);
    }
    times->restartMs = fresh.foundAtMs - calledAt;
    times->callMs = returnedAt - calledAt;
    // Its window is gone (a handle the system may hand out again); the process may still be on its way out.
    old.window = nullptr;
    CloseOrNote(context, &old, "a restarted overlay's predecessor");
    // One that cannot be adopted here is left to the sweep after the run.
    std::string adoptError;
    if (fresh.process.Adopt(bench::WindowProcessId(fresh.window), &adoptError)) {
        CloseOrNote(context, &fresh, "a restarted overlay");
    }
    return true;
}

void MeasureRestart(Context& context) {
    // The restart acts on the first overlay window it finds, which could be one the benchmark did not start.
    if (!OverlayProcessIds().empty()) {
        context.report.AddText("overlay restart", "not measured");
        context.report.Note("restart: an overlay not started by the benchmark was running");
        return;
    }
    std::vector<double> restarts;
    std::vector<double> calls;
    int failures = 0;
    int failuresInARow = 0;
    int strays = 0;
    for (int run = 0; run < context.options.starts; ++run) {
        RestartTimes times;
        std::string error;
        const bool restarted = RestartOnce(context, &times, &error);
        // A new overlay that appeared only after the wait gave up, or a second one.
        strays += EndOverlaysExcept(context, {});
        if (restarted) {
            restarts.push_back(times.restartMs);
            calls.push_back(times.callMs);
            failuresInARow = 0;
            continue;
        }
        if (failures++ == 0) {
            context.report.Note("restart " + std::to_string(run + 1) + ": " + error);
        }
        // Each failure costs a whole wait for the new window.
        if (++failuresInARow == kTimeoutsBeforeGivingUp) {
            context.report.Note("restart: gave up after " + std::to_string(kTimeoutsBeforeGivingUp) +
                                " failed restarts in a row");
            break;
        }
    }
    if (strays > 0) {
        context.report.Note("restart: " + std::to_string(strays) + " more overlay(s) were found and ended");
    }
    if (restarts.empty()) {
        context.report.AddText("overlay restart", "not measured");
        return;
    }
    AddTimes(context, "overlay restart", " (" + std::to_string(restarts.size()) + " restarts)", restarts);
    AddTimes(context, "overlay restart, the call alone", "", calls);
    if (failures > 0) {
        context.report.AddText("overlay restart: failed restarts", std::to_string(failures));
    }
}

void MeasureDialog(Context& context) {
    const std::vector<DWORD> spared = OverlayProcessIds();
    std::vector<double> startups;
    int failures = 0;
    for (int start = 0; start < context.options.starts; ++start) {
        WindowedProgram dialog;
        std::string error;
        if (!bench::StartWithWindow(context.clock, context.pacer, context.DialogCommand(), kDialogTitle,
                                    kWindowTimeoutMs, &dialog, &error)) {
            if (failures++ == 0) {
                context.report.Note("dialog start-up " + std::to_string(start + 1) + ": " + error);
            }
            continue;
        }
        startups.push_back(dialog.foundAtMs - dialog.startedAtMs);
        CloseOrNote(context, &dialog, "a configuration dialog");
    }
    // Closing the dialog leaves the overlay as it was; one left behind would share the next measurement.
    const int left = EndOverlaysExcept(context, spared);
    if (left > 0) {
        context.report.Note("dialog start-up: the dialogs left " + std::to_string(left) +
                            " overlay(s) running; they were ended");
    }
    if (startups.empty()) {
        context.report.AddText("dialog start-up", "not measured");
        return;
    }
    AddTimes(context, "dialog start-up", " (" + std::to_string(startups.size()) + " starts)", startups);
    if (failures > 0) {
        context.report.AddText("dialog start-up: failed starts", std::to_string(failures));
    }
}

// Presses Ctrl+Alt+F9 and lets it go, as a keyboard sends it.
bool PressHotKey() {
    const WORD keys[] = {VK_CONTROL, VK_MENU, VK_F9};
    INPUT inputs[6] = {};
    for (int i = 0; i < 3; ++i) {
        for (INPUT* input : {&inputs[i], &inputs[5 - i]}) {
            input->type = INPUT_KEYBOARD;
            input->ki.wVk = keys[i];
            input->ki.wScan = static_cast<WORD>(MapVirtualKeyA(keys[i], MAPVK_VK_TO_VSC));
        }
        inputs[5 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    return SendInput(6, inputs, sizeof(INPUT)) == 6;
}

// The dialog with Ctrl+Alt+F9 stored as its hot key: a press to the overlay's window, the press that
// closes it to the window gone, and the dialog's CPU time while it waits for the next press. The hot key
// stored before is put back.
void MeasureHotKeyToggle(Context& context) {
    const char* const kSection = "Settings";
    const UINT storedKey = theConfigurationRole.GetProfileInt(kSection, "HotKeyKey", 0);
    const UINT storedMod = theConfigurationRole.GetProfileInt(kSection, "HotKeyMod", 0);
    theConfigurationRole.WriteProfileInt(kSection, "HotKeyKey", VK_F9);
    theConfigurationRole.WriteProfileInt(kSection, "HotKeyMod", MOD_CONTROL | MOD_ALT);
    WindowedProgram dialog;
    std::string error;
    const bool started = bench::StartWithWindow(context.clock, context.pacer, context.DialogCommand(),
                                                kDialogTitle, kWindowTimeoutMs, &dialog, &error);
    // The dialog reads it during its initialisation, which may still run when its window is found.
    const auto restore = [&] {
        theConfigurationRole.WriteProfileInt(kSection, "HotKeyKey", static_cast<int>(storedKey));
        theConfigurationRole.WriteProfileInt(kSection, "HotKeyMod", static_cast<int>(storedMod));
    };
    if (!started) {
        restore();
        context.report.AddText("hot key", "not measured");
        context.report.Note("hot key: " + error);
        return;
    }
    context.pacer.SleepMs(kSettleMs);
    const auto pressUntil = [&](bool present) {
        const double pressedAt = context.clock.NowMs();
        PressHotKey();
        while ((FindWindowA(nullptr, kOverlayTitle) != nullptr) != present &&
               context.clock.NowMs() - pressedAt < kWindowTimeoutMs) {
            context.pacer.SleepMs(1);
        }
        return context.clock.NowMs() - pressedAt;
    };
    std::vector<double> shown, gone;
    for (int run = 0; run < context.options.starts; ++run) {
        shown.push_back(pressUntil(true));
        context.pacer.SleepMs(kSettleMs);
        gone.push_back(pressUntil(false));
        context.pacer.SleepMs(kSettleMs);
    }
    const double cpuBefore = dialog.process.CpuMs();
    const double idleSince = context.clock.NowMs();
    context.pacer.SleepMs(context.options.cpuSeconds * 1000);
    const double idleMsPerS =
        (dialog.process.CpuMs() - cpuBefore) * 1000 / (context.clock.NowMs() - idleSince);
    CloseOrNote(context, &dialog, "the configuration dialog");
    restore();
    EndOverlaysExcept(context, {});
    const Summary start = bench::Summarise(shown);
    const std::string runs = " (" + std::to_string(start.count) + " presses)";
    if (context.startupP50Ms >= 0) {
        const double limit = context.startupP50Ms + 50;
        context.report.AddWithLimit("toggle on, hot key to overlay window p50" + runs, start.p50, "ms", limit,
                                    true, "< start-up p50 + 50 = " + FormatNumber(limit, 0) + " ms");
    } else {
        context.report.Add("toggle on, hot key to overlay window p50" + runs, start.p50, "ms");
    }
    context.report.Add("toggle on, hot key to overlay window max", start.max, "ms");
    AddTimes(context, "toggle off, hot key to overlay gone", "", gone);
    context.report.AddWithLimit(
        "CPU, dialog idle with a hot key (" + FormatNumber(context.options.cpuSeconds, 0) + " s)", idleMsPerS,
        "ms/s", 0, false, "0 ms/s");
}

// The dialog's Toggle button, clicked as the user clicks it: the time until the click's message returns,
// with no overlay (it starts one) and with one (it closes it).
void MeasureToggle(Context& context) {
    if (!OverlayProcessIds().empty()) {
        context.report.AddText("toggle", "not measured");
        context.report.Note("toggle: an overlay not started by the benchmark was running");
        return;
    }
    WindowedProgram dialog;
    std::string error;
    if (!bench::StartWithWindow(context.clock, context.pacer, context.DialogCommand(), kDialogTitle,
                                kWindowTimeoutMs, &dialog, &error)) {
        context.report.AddText("toggle", "not measured");
        context.report.Note("toggle: " + error);
        return;
    }
    context.pacer.SleepMs(kSettleMs);
    const HWND button = GetDlgItem(dialog.window, 1000);
    const auto click = [&] {
        const double clickedAt = context.clock.NowMs();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(dialog.window, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED),
                            reinterpret_cast<LPARAM>(button), SMTO_NORMAL, kExitTimeoutMs, &result);
        return context.clock.NowMs() - clickedAt;
    };
    // Before the click waited for the new window, it returned before the window was there.
    const auto waitForOverlay = [&](bool present, double sinceMs) {
        while ((FindWindowA(nullptr, kOverlayTitle) != nullptr) != present &&
               context.clock.NowMs() - sinceMs < kWindowTimeoutMs) {
            context.pacer.SleepMs(1);
        }
        return context.clock.NowMs() - sinceMs;
    };
    std::vector<double> starts, shown, closes;
    for (int run = 0; run < context.options.starts; ++run) {
        const double startedAt = context.clock.NowMs();
        starts.push_back(click());
        shown.push_back(waitForOverlay(true, startedAt));
        context.pacer.SleepMs(kSettleMs);
        const double closedAt = context.clock.NowMs();
        closes.push_back(click());
        waitForOverlay(false, closedAt);
    }
    CloseOrNote(context, &dialog, "the configuration dialog");
    const int left = EndOverlaysExcept(context, {});
    if (left > 0) {
        context.report.Note("toggle: " + std::to_string(left) +
                            " overlay(s) were left running; they were ended");
    }
    const std::string runs = " (" + std::to_string(starts.size()) + " clicks)";
    const Summary start = bench::Summarise(starts);
    if (context.startupP50Ms >= 0) {
        const double limit = context.startupP50Ms + 50;
        context.report.AddWithLimit("toggle on, click to return p50" + runs, start.p50, "ms", limit, true,
                                    "< start-up p50 + 50 = " + FormatNumber(limit, 0) + " ms");
    } else {
        context.report.Add("toggle on, click to return p50" + runs, start.p50, "ms");
    }
    context.report.Add("toggle on, click to return max", start.max, "ms");
    AddTimes(context, "toggle on, click to overlay window", "", shown);
    AddTimes(context, "toggle off, click to return", "", closes);
    MeasureHotKeyToggle(context);
}

using MeasureFunction = void (*)(Context&);

struct Measurement {
    const char* name;
    const char* description;
    MeasureFunction run;
};

constexpr Measurement kMeasurements[] = {
    {"lag", "follow lag: pointer move to overlay centred on it", MeasureFollowLag},
    {"cpu", "CPU time per second, pointer still and moving, beside a minimal dialog", MeasureCpu},
    {"startup", "overlay start-up: CreateProcess to window found by title", MeasureStartup},
    {"restart", "overlay restart: the dialog's restart call to the new overlay's window found",
     MeasureRestart},
    {"toggle", "the dialog's Toggle button: click message to its return, starting and closing the overlay",
     MeasureToggle},
    {"dialog", "configuration dialog start-up: CreateProcess to its window found by title", MeasureDialog},
};

bool Selected(const Options& options, const Measurement& measurement) {
    if (options.selected.empty()) {
        return true;
    }
    for (const std::string& name : options.selected) {
        if (name == measurement.name) {
            return true;
        }
    }
    return false;
}

void PrintUsage() {
    std::printf(
        "usage: overlay_bench [--help] [--seed N] [--moves N] [--cpu-seconds S] [--starts N] "
        "[measurement...]\n"
        "measurements (all when none is named):\n");
    for (const Measurement& measurement : kMeasurements) {
        std::printf("  %-8s %s\n", measurement.name, measurement.description);
    }
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--seed" && hasValue) {
            options->seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (argument == "--moves" && hasValue) {
            options->moves = std::atoi(argv[++i]);
        } else if (argument == "--cpu-seconds" && hasValue) {
            options->cpuSeconds = std::atof(argv[++i]);
        } else if (argument == "--starts" && hasValue) {
            options->starts = std::atoi(argv[++i]);
        } else if (argument.rfind("--", 0) == 0) {
            return false;
        } else {
            bool known = false;
            for (const Measurement& measurement : kMeasurements) {
                known = known || argument == measurement.name;
            }
            if (!known) {
                return false;
            }
            options->selected.push_back(argument);
        }
    }
    return options->moves > 0 && options->cpuSeconds > 0 && options->starts > 0;
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of('\\') + 1);
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SystemDescription() {
    using WineGetVersion = const char*(CDECL*)();
    HMODULE ntdll = GetModuleHandleA("NTDLL.DLL");
    FARPROC entry = ntdll ? GetProcAddress(ntdll, "wine_get_version") : nullptr;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::string text =
        entry ? std::string("Wine ") + reinterpret_cast<WineGetVersion>(reinterpret_cast<void (*)()>(entry))()
              : std::string("Windows");
    return text + ", " + std::to_string(info.dwNumberOfProcessors) + " processors";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--list") == 0)) {
        PrintUsage();
        return 0;
    }
    if (!ParseOptions(argc, argv, &options)) {
        PrintUsage();
        return 2;
    }
    // Pointer and window positions in physical pixels, as the overlay sees them.
    SetProcessDPIAware();

    Context context;
    context.options = options;
    context.directory = ProgramDirectory();
    context.random.seed(options.seed);
    context.screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (const char* program : {kOverlayProgram, kMinimalDialogProgram}) {
        if (!FileExists(context.directory + program)) {
            std::printf("overlay_bench: %s%s not found\n", context.directory.c_str(), program);
            return 1;
        }
    }

    std::printf("Tobrik Mouse overlay benchmark\n");
    std::printf("system:  %s\n", SystemDescription().c_str());
    std::printf("screen:  %ld x %ld\n", context.screen.cx, context.screen.cy);
    std::printf("program: %s%s\n", context.directory.c_str(), kOverlayProgram);
    std::printf("seed:    %u\n\n", options.seed);
    if (FindWindowA(nullptr, kOverlayTitle)) {
        context.report.Note("an overlay not started by the benchmark was running; it shared the machine");
    }

    POINT originalPointer = {};
    GetCursorPos(&originalPointer);
    for (const Measurement& measurement : kMeasurements) {
        if (!Selected(options, measurement)) {
            continue;
        }
        std::printf("measuring %s: %s ...\n", measurement.name, measurement.description);
        std::fflush(stdout);
        const double start = context.clock.NowMs();
        measurement.run(context);
        std::printf("  done in %.1f s\n", (context.clock.NowMs() - start) / 1000);
        std::fflush(stdout);
    }
    SetCursorPos(originalPointer.x, originalPointer.y);

    std::printf("\n");
    context.report.Print();
    std::printf("\n%zu figure(s) missed their target\n", context.report.Misses());
    return 0;
}
