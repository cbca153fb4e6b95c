#include "framework/Dialog.h"

#include "framework/WinApp.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.GetSafeHwnd() == nullptr) {
        control.SubclassDlgItem(static_cast<UINT>(id), *dx->m_pDlgWnd);
    }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    const HWND item = ::GetDlgItem(dx->m_pDlgWnd->GetSafeHwnd(), id);
    if (!dx->m_bSaveAndValidate) {
        ::SetWindowTextA(item, value.c_str());
        return;
    }
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    value = text;
}

const MessageMap* CDialog::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        MapCommand<&CDialog::OnOK>(IDOK),
        MapCommand<&CDialog::OnCancel>(IDCANCEL),
    };
    static const MessageMap map(CWnd::GetMessageMap(), entries);
    return &map;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (owner == nullptr) {
        // Without a parent, the application's main window owns the dialog, as long as it is another one.
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this) {
            owner = app->m_pMainWnd->GetSafeHwnd();
        }
    }
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), owner,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) {
        return FALSE;
    }
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (dialog == nullptr || !dialog->SubclassWindow(hwnd)) {
        return TRUE;
    }
    return dialog->OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(*this, saveAndValidate != FALSE);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}
