#include "framework/ColorDialog.h"

#include "framework/WinApp.h"
#include "framework/Wnd.h"

namespace {
// The dialog's sixteen custom colours, kept for the life of the process only.
COLORREF g_customColors[16] = {
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
};
}  // namespace

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : m_pParentWnd(parent) {
    m_cc.lStructSize = sizeof m_cc;
    m_cc.lpCustColors = g_customColors;
    m_cc.Flags = flags;
    m_cc.rgbResult = initial;
    if (initial != 0) {
        m_cc.Flags |= CC_RGBINIT;
    }
}

INT_PTR CColorDialog::DoModal() {
    CWnd* owner =
        m_pParentWnd != nullptr ? m_pParentWnd : (AfxGetApp() != nullptr ? AfxGetApp()->m_pMainWnd : nullptr);
    m_cc.hwndOwner = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
    return ::ChooseColorA(&m_cc) ? IDOK : IDCANCEL;
}
