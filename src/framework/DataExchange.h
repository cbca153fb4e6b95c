// Data exchange between a dialog's controls and its members.
#pragma once

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd& dialog, bool saveAndValidate)
        : m_pDlgWnd(&dialog), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
};

// Binds `control` to the dialog item `id` the first time the dialog exchanges its data.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
