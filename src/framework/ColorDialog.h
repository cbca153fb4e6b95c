// The colour common dialog.
#pragma once

#include <windows.h>

#include <commdlg.h>

class CWnd;

class CColorDialog {
public:
    // A colour other than black is where the dialog starts (CC_RGBINIT is added for it).
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);

    // IDOK when the user chose a colour, IDCANCEL otherwise.
    INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORA m_cc{};

private:
    CWnd* m_pParentWnd;
};
