// The dialog's notification-area icon and its menu.
#include "config/TobrikMouseDlg.h"

#include <shellapi.h>

#include "framework/WinApp.h"
#include "resource.h"

namespace {
// The icon's identity and the flags every call carries; the add fills in the rest.
NOTIFYICONDATAA TrayIconData(HWND dialog) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = dialog;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    return data;
}
}  // namespace

void CTobrikMouseDlg::AddTrayIcon() {
    NOTIFYICONDATAA data = TrayIconData(m_hWnd);
    data.uCallbackMessage = kTrayNotifyMessage;
    data.hIcon = m_hSmallIcon;
    ::lstrcpynA(data.szTip, AfxGetApp()->m_applicationTitle.c_str(), sizeof data.szTip);
    if (!::Shell_NotifyIconA(NIM_ADD, &data)) {
        return;
    }
    // After a shell restart the new menu replaces the one loaded before, so that only one copy is ever
    // held; a menu open on the screen is replaced only once it has closed. The old menu stays when the
    // new one cannot be loaded.
    CMenu loaded;
    if (!loaded.LoadMenu(IDR_TRAY_MENU)) {
        return;
    }
    ::SetMenuDefaultItem(loaded.GetSubMenu(0), ID_TRAY_CONFIGURE, FALSE);
    (m_trayMenuOpen ? m_nextTrayMenu : m_trayMenu).Swap(loaded);
}

LRESULT CTobrikMouseDlg::OnTaskbarCreated(WPARAM, LPARAM) {
    NOTIFYICONDATAA data = TrayIconData(m_hWnd);
    ::Shell_NotifyIconA(NIM_DELETE, &data);
    AddTrayIcon();
    return 1;
}

LRESULT CTobrikMouseDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
    POINT pointer{};
    ::GetCursorPos(&pointer);
    const HMENU trayMenu = m_trayMenu.GetSubMenu(0);
    switch (LOWORD(lParam)) {
        case WM_RBUTTONUP: {
            SetForegroundWindow();
            const bool openAlready = m_trayMenuOpen;
            m_trayMenuOpen = true;
            ::TrackPopupMenu(trayMenu, 0, pointer.x, pointer.y, 0, m_hWnd, nullptr);
            m_trayMenuOpen = openAlready;
            if (!m_trayMenuOpen && m_nextTrayMenu.GetSafeHmenu() != nullptr) {
                m_trayMenu.Swap(m_nextTrayMenu);
                m_nextTrayMenu.DestroyMenu();
            }
            break;
        }
        case WM_LBUTTONDBLCLK:
            OnTrayConfigure();
            break;
        default:
            break;
    }
    return 1;
}

void CTobrikMouseDlg::OnTrayConfigure() {
    ShowWindow(SW_RESTORE);
    ShowWindow(SW_SHOW);
    SetFocus();
    SetForegroundWindow();
}

// The close runs after the menu's command has returned.
void CTobrikMouseDlg::OnTrayExit() {
    PostMessage(WM_CLOSE);
}

void CTobrikMouseDlg::OnHideToTray() {
    ShowWindow(SW_MINIMIZE);
    ShowWindow(SW_HIDE);
}

// Every way out passes here: Exit, the caption's close button, the system menu, Alt+F4 and Escape. The
// dialog ends here rather than in default processing, which would come back through OnCancel. A running
// overlay stays.
void CTobrikMouseDlg::OnClose() {
    NOTIFYICONDATAA data = TrayIconData(m_hWnd);
    ::Shell_NotifyIconA(NIM_DELETE, &data);
    CDialog::OnCancel();
}
