// The system-wide hot key that toggles the overlay. The dialog keeps no copy of it: the registry holds
// the combination, and every registration reads it from there.
#include "config/TobrikMouseDlg.h"

#include "app/OverlayControl.h"
#include "framework/Module.h"
#include "settings/HotKeySettings.h"

namespace {
// Keyboard auto-repeat of a held combination sends no further hot-key messages. Windows Vista does not
// know the flag and refuses a registration that carries it.
constexpr UINT kModNoRepeat = 0x4000;
// While a press is watched, the looks at its key are taken this often.
constexpr UINT kKeyWatchPeriodMs = 10;

const char kHotKeyRefusedText[] =
    "Could Not Assign Shortcut Key to Switch between Normal and Tobrik Mouse Cursor.\n\n"
    "The Key Combination You have Specified seems to be in Use by Some Other Software.\n\n"
    "Try Some Other Shortcut Key Combination.";

// Whether a held combination sends a hot-key message for each of the keyboard's repeats. Wine accepts
// MOD_NOREPEAT but ignores it, so there repeats arrive as they do on Windows Vista, which refuses the flag.
bool RepeatsArrive(bool noRepeatRegistered) {
    return !noRepeatRegistered || RunsUnderWine();
}
}  // namespace

void CTobrikMouseDlg::RegisterStoredHotKey() {
    WORD key = 0;
    WORD controlFlags = 0;
    WORD storedFlags = 0;
    CHotKeySettings().LoadForControl(key, controlFlags, storedFlags);
    // The control shows what is stored, whether or not the system accepts it.
    m_hotKeyCtrl.SetHotKey(key, controlFlags);
    ::UnregisterHotKey(m_hWnd, kToggleHotKeyId);
    const bool noRepeat =
        key != 0 && ::RegisterHotKey(m_hWnd, kToggleHotKeyId, storedFlags | kModNoRepeat, key);
    const bool registered =
        noRepeat || (key != 0 && ::RegisterHotKey(m_hWnd, kToggleHotKeyId, storedFlags, key));
    KillTimer(kKeyWatchTimerId);
    m_keyWatcher.Stop();
    // The key of the registered combination is the one looked at; a hot-key message's own fields are not
    // read, so a message posted by another program cannot change it.
    m_keyWatcher.SetKey(key);
    m_hotKeyPresses.Reset(registered && RepeatsArrive(noRepeat));
    if (key != 0 && !registered) {
        MessageBox(kHotKeyRefusedText, nullptr, MB_OK | MB_ICONERROR);
    }
}

void CTobrikMouseDlg::TakeKeyLooks() {
    for (const KeyLook& look : m_keyWatcher.TakeLooks()) {
        if (look.down != m_keySeenDown) {
            m_keySeenDown = look.down;
            TraceLine("hot key: key seen %s at %lu", look.down ? "down" : "up",
                      static_cast<DWORD>(look.time));
        }
        m_hotKeyPresses.KeySeen(look.down, look.time);
    }
}

// Timer messages come only when no other message waits, so every hot-key message sent before the looks
// taken at the last message has been judged by now.
void CTobrikMouseDlg::OnKeyWatchTimer(UINT_PTR timerId) {
    if (timerId != kKeyWatchTimerId) {
        return;
    }
    m_hotKeyPresses.QueueEmptied();
    TakeKeyLooks();
    if (!m_hotKeyPresses.Watching()) {
        m_keyWatcher.Stop();
        KillTimer(kKeyWatchTimerId);
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
        TakeKeyLooks();
        const DWORD sent = static_cast<DWORD>(::GetMessageTime());
        const ULONGLONG now = ::GetTickCount64();
        const bool press = m_hotKeyPresses.TakePress(sent, now);
        TraceLine("hot key: sent %lu, judged %lu, %s", sent, static_cast<DWORD>(now),
                  press ? "a press" : "a repeat");
        if (press) {
            if (m_hotKeyPresses.Watching()) {
                SetTimer(kKeyWatchTimerId, kKeyWatchPeriodMs);
                if (!m_keyWatcher.Start()) {
                    // Nothing can look at the key: every message counts as a press rather than none.
                    m_hotKeyPresses.Reset(false);
                }
            }
            ++m_pressesPending;
        }
        // Presses that came while an overlay started or went wait in the queue meanwhile. Toggled one by one,
        // two of them would only start and close an overlay back to back (or close and start it), so the
        // toggle comes with the last of them, once: the overlay ends up running exactly when the number of
        // presses is odd, and other messages are still handled after the presses before them.
        if (m_pressesPending != 0 && (HIWORD(::GetQueueStatus(QS_HOTKEY)) & QS_HOTKEY) == 0) {
            const bool odd = m_pressesPending % 2 != 0;
            TraceLine("hot key: %u presses taken together, %s", m_pressesPending,
                      odd ? "toggling" : "no toggle");
            m_pressesPending = 0;
            if (odd) {
                ToggleOverlay();
            }
        }
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}
