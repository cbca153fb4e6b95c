// The system-wide hot key that toggles the overlay. The dialog keeps no copy of it: the registry holds
// the combination, and every registration reads it from there.
#include "config/TobrikMouseDlg.h"

#include "app/OverlayControl.h"
#include "settings/HotKeySettings.h"

namespace {
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
    if (key == 0) {
        return;
    }
    if (!::RegisterHotKey(m_hWnd, kToggleHotKeyId, storedFlags, key)) {
        MessageBox(kHotKeyRefusedText, nullptr, MB_OK | MB_ICONERROR);
    }
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
        ToggleOverlay();
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}
