#include "config/TobrikMouseDlg.h"

#include <cstdio>

#include <shellapi.h>

#include "app/OverlayControl.h"
#include "config/AboutDlg.h"
#include "config/IconPlacement.h"
#include "framework/GdiObject.h"
#include "framework/PaintDC.h"
#include "framework/WinApp.h"
#include "resource.h"
#include "vendor.h"

UINT g_taskbarCreatedMessage = 0;

namespace {

// The application icon at one of the system's icon sizes, so that each place shows the image drawn for
// its size instead of one shrunk from another. Shared, as these standard sizes allow: never destroyed. A
// failure leaves a null handle, and that place shows no icon.
HICON LoadAppIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                           IMAGE_ICON, ::GetSystemMetrics(widthMetric),
                                           ::GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

CTobrikMouseDlg::CTobrikMouseDlg(CWnd* parent) : CDialog(IDD_TOBRIKMOUSE_DIALOG, parent) {}

CTobrikMouseDlg::~CTobrikMouseDlg() = default;

const MessageMap* CTobrikMouseDlg::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        MapSysCommand<&CTobrikMouseDlg::OnSysCommand>(),
        MapVoidMessage<&CTobrikMouseDlg::OnPaint>(WM_PAINT),
        MapQueryDragIcon<&CTobrikMouseDlg::OnQueryDragIcon>(),
        MapCommand<&CTobrikMouseDlg::OnBrowseBitmap>(IDC_BROWSE_BITMAP),
        MapCommand<&CTobrikMouseDlg::OnSelectColor>(IDC_SELECT_COLOR),
        MapCommand<&ToggleOverlay>(IDC_TOGGLE),
        MapCommand<&CTobrikMouseDlg::OnAssignHotKey>(IDC_ASSIGN_HOTKEY),
        MapCommand<&CTobrikMouseDlg::OnClearHotKey>(IDC_CLEAR_HOTKEY),
        MapTimer<&CTobrikMouseDlg::OnKeyWatchTimer>(),
        MapCommand<&CTobrikMouseDlg::OnVisit>(IDC_VISIT),
        MapHelpInfo<&CTobrikMouseDlg::OnHelpInfo>(),
        MapNotify<&CTobrikMouseDlg::OnReleasedCaptureOpacity>(NM_RELEASEDCAPTURE, IDC_OPACITY),
        MapVoidMessage<&CTobrikMouseDlg::OnClose>(WM_CLOSE),
        MapRegisteredMessage<&CTobrikMouseDlg::OnTaskbarCreated>(g_taskbarCreatedMessage),
        MapMessage<&CTobrikMouseDlg::OnTrayNotify>(kTrayNotifyMessage),
        MapCommand<&CTobrikMouseDlg::OnTrayConfigure>(ID_TRAY_CONFIGURE),
        MapCommand<&CTobrikMouseDlg::OnTrayExit>(ID_TRAY_EXIT),
        MapCommand<&CTobrikMouseDlg::OnHideToTray>(IDC_HIDE_TO_TRAY),
    };
    static const MessageMap map(CDialog::GetMessageMap(), entries);
    return &map;
}

void CTobrikMouseDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_OPACITY, m_opacitySlider);
    DDX_Control(dx, IDC_HOTKEY, m_hotKeyCtrl);
    DDX_Control(dx, IDC_COLOR_SWATCH, m_colorSwatch);
    DDX_Text(dx, IDC_BITMAP_PATH, m_bitmapPath);
    DDX_Text(dx, IDC_BITMAP_INFO, m_bitmapInfo);
}

void CTobrikMouseDlg::UpdateBitmapInfo() {
    m_settings.GetBitmapFilePath(m_bitmapPath);
    // Loaded only to be measured. A file that is no bitmap leaves the size text as it was.
    CBitmap bitmap;
    BITMAP description{};
    if (!bitmap.LoadFromFile(AfxGetInstanceHandle(), m_bitmapPath) || bitmap.GetBitmap(&description) == 0) {
        return;
    }
    char info[64] = {};
    std::snprintf(info, sizeof info, "Bitmap Width = %d Height = %d", static_cast<int>(description.bmWidth),
                  static_cast<int>(description.bmHeight));
    m_bitmapInfo = info;
}

// The order matters: the members are filled before the base class copies them into the edits, and the
// controls are bound there before they are set up.
BOOL CTobrikMouseDlg::OnInitDialog() {
    g_taskbarCreatedMessage = ::RegisterWindowMessageA("TaskbarCreated");
    UpdateBitmapInfo();
    CDialog::OnInitDialog();

    m_hIcon = LoadAppIcon(SM_CXICON, SM_CYICON);
    m_hSmallIcon = LoadAppIcon(SM_CXSMICON, SM_CYSMICON);
    AddAboutItemToSystemMenu();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    AddTrayIcon();

    SetWindowText(AfxGetApp()->m_applicationTitle);
    m_colorSwatch.SetColor(m_settings.GetTransparentColor());
    m_colorSwatch.RebuildBrush();
    RegisterStoredHotKey();

    m_opacitySlider.SetRange(0, 255, TRUE);
    m_opacitySlider.SendMessage(TBM_SETPOS, TRUE, m_settings.GetTransparencyValue() & 0xFF);
    return TRUE;
}

void CTobrikMouseDlg::AddAboutItemToSystemMenu() const {
    const HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu == nullptr) {
        return;
    }
    const std::string about = LoadResourceString(AfxGetInstanceHandle(), IDS_ABOUTBOX);
    if (about.empty()) {
        return;
    }
    ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
}

void CTobrikMouseDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(*this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    RECT client{};
    GetClientRect(&client);
    const SIZE clientSize{client.right - client.left, client.bottom - client.top};
    const SIZE iconSize{::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)};
    const POINT at = MinimisedIconPosition(clientSize, iconSize);
    dc.DrawIcon(at.x, at.y, m_hIcon);
}

HCURSOR CTobrikMouseDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CTobrikMouseDlg::OnSysCommand(UINT commandId, LPARAM) {
    if ((commandId & 0xFFF0) != IDM_ABOUTBOX) {
        Default();
        return;
    }
    CAboutDlg about;
    about.DoModal();
}

namespace {
// Opening a page fails silently: there is nothing the user could do about it here.
void OpenWebPage(const char* address) {
    ::ShellExecuteA(nullptr, "Open", address, nullptr, nullptr, SW_SHOWMAXIMIZED);
}
}  // namespace

void CTobrikMouseDlg::OnVisit() {
    OpenWebPage("http://" TOBRIK_VENDOR_SITE "/");
}

BOOL CTobrikMouseDlg::OnHelpInfo(HELPINFO*) {
    OpenWebPage("http://" TOBRIK_VENDOR_SITE "/big-mouse-cursor-for-windows/");
    return TRUE;
}

// Enter does not end the dialog: the user closes it only on purpose.
void CTobrikMouseDlg::OnOK() {}

// Escape closes the dialog the way its close button does.
void CTobrikMouseDlg::OnCancel() {
    SendMessage(WM_CLOSE);
}
