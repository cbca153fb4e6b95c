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
    data.hIcon = m_hIcon;
    ::lstrcpynA(data.szTip, AfxGetApp()->m_applicationTitle.c_str(), sizeof data.szTip);
    if (!::Shell_NotifyIconA(NIM_ADD, &data)) {
        return;
    }
    // After a shell restart the menu loaded before goes, so that only one copy is ever held.
    m_trayMenu.DestroyMenu();
    if (m_trayMenu.LoadMenu(IDR_TRAY_MENU)) {
        ::SetMenuDefaultItem(m_trayMenu.GetSubMenu(0), ID_TRAY_CONFIGURE, FALSE);
    }
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
        case WM_RBUTTONUP:
            SetForegroundWindow();
            ::TrackPopupMenu(trayMenu, 0, pointer.x, pointer.y, 0, m_hWnd, nullptr);
            break;
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
