// Helpers for end-to-end tests of the configuration dialog: controls read and driven from another
// process, pictures of the screen, and a fixture that starts the configuration process.
#pragma once

#include "harness.h"

#include "resource.h"

namespace e2e {

// A message sent to a control of the dialog as another process sends it; nothing if it is not answered.
std::optional<LRESULT> SendToControl(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::string ControlText(HWND dialog, int id);
// A rectangle in client coordinates that a control writes through the pointer of a message
// (TBM_GETTHUMBRECT, TBM_GETCHANNELRECT), read from its own process and mapped to the screen.
std::optional<RECT> RectOnScreen(HWND dialog, int id, UINT message);

// A rectangle of the screen: one 0x00RRGGBB value per pixel, row by row from the top.
struct Picture {
    Extent size{0, 0};
    std::vector<DWORD> pixels;
};
// The value a pixel of that colour has in a Picture.
DWORD PixelOf(COLORREF colour);
Picture ScreenPicture(const RECT& rect);

// The popup menu on the screen, or null.
HWND ShownPopupMenu();

// A popup menu as the screen shows it.
struct ShownMenu {
    RECT rect{};
    Picture picture;
};
// Runs `open`, which opens a popup menu, and reads the menu from the screen once it is drawn there and has
// not changed for 300 ms; it stays open. Nothing if `open` fails or no menu appears.
std::optional<ShownMenu> OpenPopupMenu(const std::function<bool()>& open);

// The system menu of a window as the user sees it: opened with Alt+Space while the window is in the
// foreground, its popup read from the screen once it has stopped changing, then closed again with Alt.
Picture ShownSystemMenu(HWND window);

// The visible dialog box (class "#32770") owned by `owner` that holds a control with the given id: a message
// box (its text is control 0xFFFF) or a common dialog that the owner opened. Null if there is none.
HWND FindOwnedDialog(HWND owner, int controlId);
HWND WaitForOwnedDialog(HWND owner, int controlId, DWORD timeoutMs = kStartTimeoutMs);
// Every visible dialog box that `owner` owns.
std::vector<HWND> OwnedDialogs(HWND owner);
// A child window at any depth with the given class and id; null if there is none.
HWND FindDescendant(HWND window, const char* className, int id);
// The visible child windows of a class, in z-order.
std::vector<HWND> VisibleChildren(HWND window, const char* className);
// BM_CLICK posted to a button, so that a modal loop the click opens does not hold up the caller.
bool ClickButton(HWND window, int id);
// The pointer moved there, then the left button pressed and released with SendInput.
bool ClickAt(Position position);
// Brings the dialog to the foreground and moves its keyboard focus to control `id`, as Tab would.
bool FocusControl(HWND dialog, int id);

class E2eConfigTest : public E2eTest {
protected:
    // Starts the configuration process of `program` and returns its dialog window.
    HWND StartDialog(const std::string& program = ProgramPath()) {
        dialog_.emplace(program, "");
        HWND window = WaitForWindowOf(*dialog_, kAppTitle);
        EXPECT_NE(window, nullptr) << dialog_->Describe() << "; " << DescribeWindowsOf(dialog_->Id());
        return window;
    }

    // Clicks Toggle while no overlay runs and returns the overlay window that appears, once its process has
    // finished starting.
    HWND ToggleOn(HWND dialog) {
        EXPECT_TRUE(SendToControl(dialog, IDC_TOGGLE, BM_CLICK)) << "the dialog did not answer the click";
        HWND overlay = WaitUntil(FindOverlay, kStartTimeoutMs);
        EXPECT_NE(overlay, nullptr) << "no overlay after Toggle; " << DescribeSettings();
        EXPECT_TRUE(overlay == nullptr || WaitForProcessIdle(ProcessOfWindow(overlay), kStartTimeoutMs))
            << "the overlay process never became idle";
        return overlay;
    }

    std::optional<ChildProcess> dialog_;
};

}  // namespace e2e
