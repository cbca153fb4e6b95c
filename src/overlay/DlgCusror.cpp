#include "overlay/DlgCusror.h"

#include "app/OverlayContract.h"
#include "framework/WinApp.h"
#include "overlay/OverlayGeometry.h"
#include "resource.h"

using SetLayeredWindowAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looked up at run time, as the layering function is not exported by every system.
SetLayeredWindowAttributesFunction g_setLayeredWindowAttributes = nullptr;

namespace {
constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowPeriodMs = 50;
}  // namespace

CDlgCusror::CDlgCusror(CWnd* parent) : CDialog(IDD_CURSOR, parent) {}

const MessageMap* CDlgCusror::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        MapTimer<&CDlgCusror::OnTimer>(),
        MapVoidMessage<&CDlgCusror::OnDestroy>(WM_DESTROY),
        MapMessage<&CDlgCusror::OnWindowPosChanging>(WM_WINDOWPOSCHANGING),
    };
    static const MessageMap map(CDialog::GetMessageMap(), entries);
    return &map;
}

void CDlgCusror::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_CURSOR_PICTURE, m_picture);
}

// The overlay reads its settings once, here: later changes reach it only through a restart.
BOOL CDlgCusror::OnInitDialog() {
    CDialog::OnInitDialog();
    ApplyLayering();
    m_settings.GetBitmapFilePath(m_bitmapPath);
    ShowBitmap();
    SetTimer(kFollowTimer, kFollowPeriodMs);
    const std::string& title = AfxGetApp()->m_applicationTitle;
    SetWindowText(OverlayWindowTitle(title));
    m_settings.SetCursorRunning(1);
    return TRUE;
}

void CDlgCusror::ApplyLayering() {
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    // The template's DS_SYSMODAL makes the window topmost on Windows, but not under every compatible
    // system; saying so explicitly costs nothing where it is already true.
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    const HMODULE user32 = ::GetModuleHandleA("USER32.DLL");
    if (user32 == nullptr) {
        return;
    }
    g_setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "SetLayeredWindowAttributes")));
    if (g_setLayeredWindowAttributes == nullptr) {
        return;
    }
    const UINT opacity = m_settings.GetTransparencyValue();
    const COLORREF colorKey = m_settings.GetTransparentColor();
    g_setLayeredWindowAttributes(m_hWnd, colorKey, static_cast<BYTE>(opacity & 0xFF),
                                 LWA_COLORKEY | LWA_ALPHA);
}

// Without a loadable bitmap the window keeps its template size and the built-in ring.
void CDlgCusror::ShowBitmap() {
    if (!m_bitmap.LoadFromFile(AfxGetInstanceHandle(), m_bitmapPath)) {
        return;
    }
    m_picture.SetBitmap(m_bitmap);
    BITMAP description{};
    m_bitmap.GetBitmap(&description);
    SetWindowPos(nullptr, 0, 0, description.bmWidth, description.bmHeight, SWP_NOMOVE);
    m_picture.MoveWindow(0, 0, description.bmWidth, description.bmHeight, TRUE);
    GetWindowRect(&m_windowRect);
}

void CDlgCusror::OnTimer(UINT_PTR) {
    // While another desktop has the input the position cannot be read; the window then stays put.
    POINT pointer{};
    if (::GetCursorPos(&pointer)) {
        // Back on top of the topmost band on every tick, but never activated: activation would take the
        // keyboard away from the user's application twenty times a second.
        const POINT topLeft = OverlayTopLeft(pointer, m_windowRect);
        SetWindowPos(HWND_TOP, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Default();
}

// The big pointer only shows: however it is shown, sized or moved, it is never activated, so the user's
// window keeps the foreground and the keyboard. The dialog manager shows a modal dialog with SW_SHOWNORMAL,
// and Wine's does so again when the overlay's queue first runs empty; either would activate it.
LRESULT CDlgCusror::OnWindowPosChanging(WPARAM, LPARAM lParam) {
    reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOACTIVATE;
    return Default();
}

void CDlgCusror::OnDestroy() {
    m_settings.SetCursorRunning(0);
    CDialog::OnDestroy();
}
