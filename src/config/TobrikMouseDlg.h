// The configuration dialog: the one window of the configuration process. It shows the stored settings,
// starts and stops the overlay, and ends the process when it closes.
#pragma once

#include <string>

#include "config/ColorStatic.h"
#include "config/HotKeyPressFilter.h"
#include "config/KeyWatcher.h"
#include "framework/Dialog.h"
#include "framework/HotKeyCtrl.h"
#include "framework/Menu.h"
#include "framework/SliderCtrl.h"
#include "settings/AppSettings.h"

// The number of the shell's "TaskbarCreated" message, registered when the dialog initialises.
extern UINT g_taskbarCreatedMessage;

// The notification-area icon: its identifier beside the dialog's window, and the message the shell
// sends the dialog for it.
inline constexpr UINT kTrayIconId = 90;
inline constexpr UINT kTrayNotifyMessage = WM_USER + 1;

// The identifier of the toggle hot key beside the dialog's window, and of the timer that, after a press,
// takes what the key watcher saw and learns when the queue has run empty.
inline constexpr int kToggleHotKeyId = 1;
inline constexpr UINT_PTR kKeyWatchTimerId = 1;

class CTobrikMouseDlg : public CDialog {
public:
    explicit CTobrikMouseDlg(CWnd* parent = nullptr);
    ~CTobrikMouseDlg() override;

    // Reads the stored bitmap path and the size of that bitmap into the members behind edits 1002 and
    // 1012; the caller shows them.
    void UpdateBitmapInfo();

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // Every press of the toggle hot key arrives here as WM_HOTKEY.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSysCommand(UINT commandId, LPARAM lParam);
    void AddAboutItemToSystemMenu() const;

    // The web links.
    void OnVisit();
    BOOL OnHelpInfo(HELPINFO* info);

    // The appearance commands: each stores its value at once.
    void OnBrowseBitmap();
    void OnSelectColor();
    void OnReleasedCaptureOpacity(NMHDR* header, LRESULT* result);

    // The toggle hot key: shows the stored combination in the control and makes it the active hot key.
    void RegisterStoredHotKey();
    void OnAssignHotKey();
    void OnClearHotKey();
    // Hands what the key watcher saw of the hot key's key to the press filter.
    void TakeKeyLooks();
    void OnKeyWatchTimer(UINT_PTR timerId);

    // The notification-area icon and its menu.
    void AddTrayIcon();
    void OnClose();
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnTrayConfigure();
    void OnTrayExit();
    void OnHideToTray();

    CAppSettings m_settings;
    CMenu m_trayMenu;
    CSliderCtrl m_opacitySlider;
    CHotKeyCtrl m_hotKeyCtrl;
    CColorStatic m_colorSwatch;
    std::string m_bitmapPath;
    std::string m_bitmapInfo;
    HICON m_hIcon = nullptr;       // at the big icon size: Alt+Tab, the taskbar, the minimised dialog
    HICON m_hSmallIcon = nullptr;  // at the small icon size: the title bar and the notification area
    // A menu loaded while m_trayMenu was open on the screen; it replaces that one once the menu closes.
    CMenu m_nextTrayMenu;
    bool m_trayMenuOpen = false;
    CHotKeyPressFilter m_hotKeyPresses;
    CKeyWatcher m_keyWatcher;
    unsigned m_pressesPending = 0;  // taken while more hot-key messages waited, not yet toggled
    bool m_keySeenDown = false;     // by the key watcher's look taken last, for the trace
};
