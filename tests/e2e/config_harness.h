// Helpers for end-to-end tests of the configuration dialog: controls read and driven from another
// process, pictures of the screen, and a fixture that starts the configuration process.
#pragma once

#include "harness.h"

#include "resource.h"

namespace e2e {

// A message sent to a control of the dialog as another process sends it; nothing if it is not answered.
std::optional<LRESULT> SendToControl(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::string ControlText(HWND dialog, int id);

// A rectangle of the screen: one 0x00RRGGBB value per pixel, row by row from the top.
struct Picture {
    Extent size{0, 0};
    std::vector<DWORD> pixels;
};
Picture ScreenPicture(const RECT& rect);

// The system menu of a window as the user sees it: opened with Alt+Space while the window is in the
// foreground, its popup read from the screen once it has stopped changing, then closed again with Alt.
Picture ShownSystemMenu(HWND window);

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
    // finished starting and will not take the foreground any more.
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
