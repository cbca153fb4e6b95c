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

const char kPathTooLongText[] =
    "The Path of the Selected File is too Long.\n\n"
    "Move the Bitmap to a Folder with a Shorter Path and Select it Again.";

// The longest path Windows hands over is 32767 UTF-16 units, and each takes up to 3 bytes in UTF-8.
constexpr DWORD kFileBufferSize = 32767 * 3 + 1;

struct FileChoice {
    std::string path;  // empty on Cancel or any failure
    bool tooLong;      // a choice the buffer could not hold whole, which is not taken
};

FileChoice ChooseBitmapFile() {
    std::string file(kFileBufferSize, '\0');
    const CWnd* mainWindow = AfxGetApp()->m_pMainWnd;
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow != nullptr ? mainWindow->GetSafeHwnd() : nullptr;
    dialog.hInstance = AfxGetInstanceHandle();
    dialog.lpstrFilter = "Bitmap files\0*.bmp\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kFileBufferSize;
    // Empty, so the system chooses the folder the dialog starts in.
    dialog.lpstrInitialDir = "";
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    // A name typed without an extension is looked up as the bitmap the filter offers.
    dialog.lpstrDefExt = "bmp";
    if (!::GetOpenFileNameA(&dialog)) {
        return {std::string(), ::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL};
    }
    return {file.c_str(), false};
}
}  // namespace

void CTobrikMouseDlg::OnBrowseBitmap() {
    MessageBox(kBitmapRuleText, nullptr, MB_OK | MB_ICONINFORMATION);
    const FileChoice choice = ChooseBitmapFile();
    if (choice.tooLong) {
        MessageBox(kPathTooLongText, nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
    if (choice.path.empty()) {
        return;
    }
    UpdateData(TRUE);
    m_bitmapPath = choice.path;
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
