// The About box, opened from the configuration dialog's system menu. The framework's OK and Cancel
// handling closes it.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    const MessageMap* GetMessageMap() const override;
};
