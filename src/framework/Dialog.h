// A modal dialog run from a resource template. The object travels to the window in the create parameter
// and is bound to it at WM_INITDIALOG; messages before that get the dialog manager's default handling.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_templateId(templateId), m_pParentWnd(parent) {}

    // Creates the dialog, runs its modal loop and returns the value given to EndDialog (-1 if it could not
    // be created).
    virtual INT_PTR DoModal();
    void EndDialog(int result) const { ::EndDialog(m_hWnd, result); }

    // Exchanges data between the controls and the members: controls to members when `saveAndValidate`.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    const MessageMap* GetMessageMap() const override;

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();
    virtual void OnCancel();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_pParentWnd;
};
