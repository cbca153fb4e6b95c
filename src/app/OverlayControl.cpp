#include "app/OverlayControl.h"

#include <vector>

#include "app/OverlayContract.h"
#include "framework/Module.h"
#include "framework/WinApp.h"

namespace {

// A window carrying the overlay title may belong to a hung program; the configuration dialog waits this
// long for it and then carries on.
constexpr UINT kCloseTimeoutMs = 3000;
constexpr DWORD kRestartPauseMs = 100;
// How long a closed overlay may take to remove its window, and a started one to show it. Past these
// bounds the dialog carries on without it. On Windows an overlay goes within milliseconds; under Wine on a
// display without a window manager it takes 2 s, as Wine waits that long for one to withdraw the window it
// hides. A toggle that stopped waiting sooner would leave the next toggle to find the overlay still there
// and close it once more, instead of starting one.
constexpr DWORD kOverlayGoneTimeoutMs = 5000;
constexpr DWORD kOverlayShownTimeoutMs = 5000;
constexpr DWORD kPollStepMs = 10;

// Polls until an overlay window is there (`present`) or is not, at most `timeoutMs`; true when it came
// to that. While `process` is given, its end also ends the wait.
bool WaitForOverlay(bool present, DWORD timeoutMs, HANDLE process = nullptr) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    HWND overlay = nullptr;
    while ((FindOverlayWindow(overlay) != FALSE) != present) {
        if (::GetTickCount64() >= deadline) {
            return false;
        }
        if (process == nullptr) {
            ::Sleep(kPollStepMs);
        } else if (::WaitForSingleObject(process, kPollStepMs) != WAIT_TIMEOUT) {
            return false;
        }
    }
    return true;
}

void StartOverlay(const std::string& executablePath) {
    const std::string commandLine = OverlayCommandLine(executablePath);
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // A failed start is not reported: the next toggle simply tries again.
    if (::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE,
                         CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                         &process)) {
        ::CloseHandle(process.hThread);
        // Until the new overlay carries its title, a toggle would not find it and would start a second
        // one; so the start returns once the window is there, or once the process has ended without it.
        const ULONGLONG start = ::GetTickCount64();
        const bool shown = WaitForOverlay(true, kOverlayShownTimeoutMs, process.hProcess);
        TraceLine("toggle: overlay %lu %s after %lu ms", process.dwProcessId, shown ? "shown" : "not shown",
                  static_cast<DWORD>(::GetTickCount64() - start));
        ::CloseHandle(process.hProcess);
    } else {
        TraceLine("toggle: no overlay started, error %lu", ::GetLastError());
    }
}

}  // namespace

BOOL FindOverlayWindow(HWND& found) {
    const std::string title = OverlayWindowTitle(AfxGetApp()->m_applicationTitle);
    found = ::FindWindowA(nullptr, title.c_str());
    return ::IsWindow(found);
}

void ToggleOverlay() {
    ToggleOverlayFrom(ModuleFileName());
}

void RestartOverlay() {
    RestartOverlayFrom(ModuleFileName());
}

void ToggleOverlayFrom(const std::string& executablePath) {
    HWND overlay = nullptr;
    if (FindOverlayWindow(overlay)) {
        DWORD_PTR result = 0;
        // The overlay's window goes only after its modal loop has ended; until then a toggle would take
        // it for a running overlay and close it again instead of starting one.
        const ULONGLONG start = ::GetTickCount64();
        const bool closed =
            ::SendMessageTimeoutA(overlay, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseTimeoutMs, &result) &&
            WaitForOverlay(false, kOverlayGoneTimeoutMs);
        TraceLine("toggle: overlay window %p %s after %lu ms", static_cast<void*>(overlay),
                  closed ? "gone" : "still there", static_cast<DWORD>(::GetTickCount64() - start));
        return;
    }
    StartOverlay(executablePath);
}

void RestartOverlayFrom(const std::string& executablePath) {
    HWND overlay = nullptr;
    if (!FindOverlayWindow(overlay)) {
        return;
    }
    CWaitCursor wait;
    ToggleOverlayFrom(executablePath);
    ::Sleep(kRestartPauseMs);
    // An overlay that takes longer than the pause to go is waited for, not closed a second time: that
    // would end the restart with no overlay at all. One that does not go keeps running as it is.
    if (WaitForOverlay(false, kOverlayGoneTimeoutMs)) {
        ToggleOverlayFrom(executablePath);
    }
}
