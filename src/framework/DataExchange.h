// Data exchange between a dialog's controls and its members.
#pragma once

#include <windows.h>

#include <string>

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
// Exchanges the text of the dialog item `id` with `value`.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
