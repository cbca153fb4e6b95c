// The benchmark's yardstick: the least a dialog program can be. One modal dialog from a template built
// in memory, no controls, no timer, nothing else; WM_CLOSE ends it. Its CPU time under the same
// system is what the overlay's is measured against.
#include <windows.h>

#include <vector>

namespace {

// The benchmark finds the dialog by this caption.
constexpr char kCaption[] = "Tobrik Mouse benchmark minimal dialog";

// DLGTEMPLATE, then empty menu and class, then the caption in UTF-16 (the template format has no
// narrow form); the caption is plain ASCII, so each character widens as it is.
std::vector<WORD> BuildTemplate() {
    DLGTEMPLATE header = {};
    header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER;
    header.cx = 181;  // the overlay's template size, in dialog units
    header.cy = 145;
    std::vector<WORD> words(sizeof header / sizeof(WORD));
    CopyMemory(words.data(), &header, sizeof header);
    words.push_back(0);  // no menu
    words.push_back(0);  // predefined dialog class
    for (const char* c = kCaption; *c; ++c) {
        words.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
    }
    words.push_back(0);
    return words;
}

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::vector<WORD> dialogTemplate = BuildTemplate();
    const INT_PTR result = DialogBoxIndirectParamA(
        instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), nullptr, MinimalDialogProc, 0);
    return result == -1 ? 1 : 0;
}
