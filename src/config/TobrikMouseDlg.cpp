#include "config/TobrikMouseDlg.h"

#include "framework/WinApp.h"
#include "resource.h"

CTobrikMouseDlg::CTobrikMouseDlg(CWnd* parent) : CDialog(IDD_TOBRIKMOUSE_DIALOG, parent) {}

BOOL CTobrikMouseDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(AfxGetApp()->m_applicationTitle);
    return TRUE;
}
