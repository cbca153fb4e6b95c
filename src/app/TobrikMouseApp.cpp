#include "app/TobrikMouseApp.h"

#include <commctrl.h>

#include "app/OverlayContract.h"
#include "app/StructureSizes.h"
#include "config/TobrikMouseDlg.h"
#include "overlay/DlgCusror.h"
#include "vendor.h"

CTobrikMouseApp theApp;

CTobrikMouseApp::CTobrikMouseApp() = default;

BOOL CTobrikMouseApp::InitInstance() {
    SetRegistryKey(TOBRIK_VENDOR_SITE);
    if (HasOverlayToken(m_commandTail)) {
        m_bOverlayRole = TRUE;
    }

    if (m_bOverlayRole) {
        CDlgCusror overlay;
        m_pMainWnd = &overlay;
        overlay.DoModal();
    } else {
        const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), 0xFF};
        ::InitCommonControlsEx(&controls);
        CTobrikMouseDlg dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
    }
    m_pMainWnd = nullptr;
    return FALSE;
}
