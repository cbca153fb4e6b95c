// The commands that change what the overlay shows. Each stores its value before any restart, so that the
// restarted overlay reads it.
#include "config/TobrikMouseDlg.h"

#include <commdlg.h>

#include "app/OverlayControl.h"
#include "framework/ColorDialog.h"
#include "framework/WinApp.h"

namespace {
const char kBitmapRuleText[] =
    "Bitmap Must have Transparent Color at the Center.\n\n"
    "Specify a Bitmap File with Transparent Color at the Center.\n\n"
    "In case you Select a Bitmap without Transparent Color at the Center of the Bitmap, "
    "you will not be able to Click.\n\n"
    "You can Navigate in the Application Window using Tab Key and Press any Button using Spacebar "
    "(when the Button has the Focus).";

const char kColorRuleText[] =
    "Color at the Center of the Bitmap Must be Transparent.\n\n"
    "In case you Select a Transparent Color which is not at the Center of the Bitmap, "
    "you will not be able to Click.\n\n"
    "You can Navigate in the Application Window using Tab Key and Press any Button using Spacebar "
    "(when the Button has the Focus).";

// The full path of the bitmap file the user chooses; empty on Cancel or any failure, a selection longer
// than the buffer included.
std::string ChooseBitmapFile() {
    char file[1024] = {};
    char initialDirectory[MAX_PATH] = {};
    const CWnd* mainWindow = AfxGetApp()->m_pMainWnd;
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow != nullptr ? mainWindow->GetSafeHwnd() : nullptr;
    dialog.hInstance = AfxGetInstanceHandle();
    dialog.lpstrFilter = "Bitmap files\0*.bmp\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = initialDirectory;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    // A name typed without an extension is looked up as the bitmap the filter offers.
    dialog.lpstrDefExt = "bmp";
    if (!::GetOpenFileNameA(&dialog)) {
        return {};
    }
    return file;
}
}  // namespace

void CTobrikMouseDlg::OnBrowseBitmap() {
    MessageBox(kBitmapRuleText, nullptr, MB_OK | MB_ICONINFORMATION);
    const std::string chosen = ChooseBitmapFile();
    if (chosen.empty()) {
        return;
    }
    UpdateData(TRUE);
    m_bitmapPath = chosen;
    m_settings.SetBitmapFilePath(m_bitmapPath);
    UpdateBitmapInfo();
    UpdateData(FALSE);
    RestartOverlay();
}

// A running overlay keeps the colour key it started with until it is next started.
void CTobrikMouseDlg::OnSelectColor() {
    MessageBox(kColorRuleText, nullptr, MB_OK | MB_ICONINFORMATION);
    CColorDialog dialog(m_settings.GetTransparentColor(), CC_FULLOPEN | CC_ANYCOLOR, this);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    m_settings.SetTransparentColor(dialog.GetColor());
    m_colorSwatch.SetColor(m_settings.GetTransparentColor());
    m_colorSwatch.RebuildBrush();
}

// Every mouse release on the trackbar stores its position, moved or not; the keyboard alone stores
// nothing.
void CTobrikMouseDlg::OnReleasedCaptureOpacity(NMHDR*, LRESULT* result) {
    m_settings.SetTransparencyValue(m_opacitySlider.GetPos());
    RestartOverlay();
    *result = 0;
}
