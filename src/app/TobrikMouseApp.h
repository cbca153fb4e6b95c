// The application object: picks the role of this process from its command line and runs that role's
// dialog; the process ends when the dialog ends.
#pragma once

#include "framework/WinApp.h"

class CTobrikMouseApp : public CWinApp {
public:
    CTobrikMouseApp();

    BOOL InitInstance() override;

private:
    BOOL m_bOverlayRole = FALSE;
};
