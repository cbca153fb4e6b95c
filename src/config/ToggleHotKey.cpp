// The system-wide hot key that toggles the overlay. The dialog keeps no copy of it: the registry holds
// the combination, and every registration reads it from there.
#include "config/TobrikMouseDlg.h"

#include "app/OverlayControl.h"
#include "settings/HotKeySettings.h"

namespace {
// Keyboard auto-repeat of a held combination sends no further hot-key messages. Windows Vista does not
// know the flag and refuses a registration that carries it.
constexpr UINT kModNoRepeat = 0x4000;

const char kHotKeyRefusedText[] =
    "Could Not Assign Shortcut Key to Switch between Normal and Tobrik Mouse Cursor.\n\n"
    "The Key Combination You have Specified seems to be in Use by Some Other Software.\n\n"
    "Try Some Other Shortcut Key Combination.";
}  // namespace

void CTobrikMouseDlg::RegisterStoredHotKey() {
    WORD key = 0;
    WORD controlFlags = 0;
    WORD storedFlags = 0;
    CHotKeySettings().LoadForControl(key, controlFlags, storedFlags);
    // The control shows what is stored, whether or not the system accepts it.
    m_hotKeyCtrl.SetHotKey(key, controlFlags);
    ::UnregisterHotKey(m_hWnd, kToggleHotKeyId);
    const bool registered =
        key != 0 && (::RegisterHotKey(m_hWnd, kToggleHotKeyId, storedFlags | kModNoRepeat, key) ||
                     ::RegisterHotKey(m_hWnd, kToggleHotKeyId, storedFlags, key));
    m_hotKeyPresses.Reset(key, WatchKeyReleases(registered));
    if (key != 0 && !registered) {
        MessageBox(kHotKeyRefusedText, nullptr, MB_OK | MB_ICONERROR);
    }
}

// Where the system ignores MOD_NOREPEAT (Wine does), the hot key's repeats still arrive; the releases of
// the key, seen in the keyboard's raw input also while another program has the focus, tell them apart.
bool CTobrikMouseDlg::WatchKeyReleases(bool watch) const {
    RAWINPUTDEVICE keyboard{};
    keyboard.usUsagePage = 0x01;  // generic desktop controls
    keyboard.usUsage = 0x06;      // keyboard
    keyboard.dwFlags = watch ? RIDEV_INPUTSINK : RIDEV_REMOVE;
    keyboard.hwndTarget = watch ? m_hWnd : nullptr;
    return ::RegisterRawInputDevices(&keyboard, 1, sizeof keyboard) && watch;
}

LRESULT CTobrikMouseDlg::OnRawInput(WPARAM, LPARAM lParam) {
    RAWINPUT input{};
    UINT size = sizeof input;
    if (::GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &input, &size,
                          sizeof input.header) != static_cast<UINT>(-1) &&
        input.header.dwType == RIM_TYPEKEYBOARD && (input.data.keyboard.Flags & RI_KEY_BREAK) != 0) {
        m_hotKeyPresses.KeyReleased(input.data.keyboard.VKey, static_cast<DWORD>(::GetMessageTime()));
    }
    // Raw input's own clean-up happens in default processing.
    return Default();
}

void CTobrikMouseDlg::OnAssignHotKey() {
    WORD key = 0;
    WORD controlFlags = 0;
    m_hotKeyCtrl.GetHotKey(key, controlFlags);
    CHotKeySettings().SaveFromControl(key, controlFlags);
    RegisterStoredHotKey();
}

void CTobrikMouseDlg::OnClearHotKey() {
    m_hotKeyCtrl.SetHotKey(0, 0);
    OnAssignHotKey();
}

LRESULT CTobrikMouseDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY) {
        // Releases of the key that happened before this message may still wait in the queue behind it.
        const auto time = static_cast<DWORD>(::GetMessageTime());
        MSG pending;
        while (::PeekMessageA(&pending, m_hWnd, WM_INPUT, WM_INPUT, PM_REMOVE)) {
            ::DispatchMessageA(&pending);
        }
        if (m_hotKeyPresses.TakePress(time)) {
            ToggleOverlay();
        }
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}
