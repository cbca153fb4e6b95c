// The configuration dialog.
#pragma once

#include "framework/Dialog.h"

class CTobrikMouseDlg : public CDialog {
public:
    explicit CTobrikMouseDlg(CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
};
