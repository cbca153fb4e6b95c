#include "app/OverlayControl.h"

#include <vector>

#include "app/OverlayContract.h"
#include "framework/Module.h"
#include "framework/WinApp.h"

namespace {

// A window carrying the overlay title may belong to a hung program; the configuration dialog waits this
// long for it and then carries on.
constexpr UINT kCloseTimeoutMs = 3000;
// How long a restart lets the old overlay take to disappear after the first pause.
constexpr DWORD kRestartPauseMs = 100;
constexpr DWORD kOldOverlayGoneTimeoutMs = 2000;
constexpr DWORD kPollStepMs = 10;

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
        ::CloseHandle(process.hProcess);
    }
}

bool WaitUntilNoOverlay(DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    HWND overlay = nullptr;
    while (FindOverlayWindow(overlay)) {
        if (::GetTickCount64() >= deadline) {
            return false;
        }
        ::Sleep(kPollStepMs);
    }
    return true;
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
        ::SendMessageTimeoutA(overlay, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseTimeoutMs, &result);
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
    if (WaitUntilNoOverlay(kOldOverlayGoneTimeoutMs)) {
        ToggleOverlayFrom(executablePath);
    }
}
