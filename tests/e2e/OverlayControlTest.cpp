// The overlay restart, called in this process with the application title and registry location of the real
// program, so that it finds, closes and starts overlays exactly as the configuration process does.
#include "harness.h"

#include "app/OverlayControl.h"
#include "framework/WinApp.h"

namespace e2e {
namespace {

struct ConfigurationProcessApplication : CWinApp {
    ConfigurationProcessApplication() : CWinApp(kAppTitle) { SetRegistryKey("tobrik.example"); }
} g_application;

::testing::AssertionResult StoreCursor(const TempDirectory& temp, int size, DWORD opacity) {
    const std::string path = temp.File("cursor" + std::to_string(size) + ".bmp");
    if (!WriteBmpFile(path, size, size, [](int, int) { return RGB(0, 0, 255); }) ||
        !WriteSetting(kBitmapFilePath, path) || !WriteSetting(kOpacity, opacity)) {
        return ::testing::AssertionFailure() << "cannot store cursor " << path;
    }
    return ::testing::AssertionSuccess();
}

using E2eOverlayControl = E2eTest;

TEST_F(E2eOverlayControl, RestartReplacesTheOverlayWithOneShowingTheNewSettings) {
    ASSERT_TRUE(StoreCursor(temp_, 48, 200));
    ChildProcess old(ProgramPath(), kOverlayToken);
    HWND oldWindow = WaitForWindowOf(old, kOverlayTitle);
    ASSERT_NE(oldWindow, nullptr) << old.Describe() << "; " << DescribeWindowsOf(old.Id());
    ASSERT_TRUE(StoreCursor(temp_, 100, 100));

    RestartOverlayFrom(ProgramPath());

    EXPECT_TRUE(old.WaitForExit(kExitTimeoutMs)) << "the old overlay still runs: " << Describe(oldWindow);
    HWND window = WaitUntil(
        [&] {
            HWND found = FindOverlay();
            return found != oldWindow ? found : nullptr;
        },
        kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no new overlay";
    EXPECT_EQ(programs_.Running(), std::set<DWORD>{ProcessOfWindow(window)});
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{window});
    EXPECT_EQ(WindowSize(window), (Extent{100, 100})) << Describe(window);
    const std::optional<Layering> layering = LayeringOf(window);
    ASSERT_TRUE(layering) << Describe(window);
    EXPECT_EQ(layering->alpha, 100) << *layering;
}

TEST_F(E2eOverlayControl, RestartWithoutOverlayDoesNothing) {
    const ULONGLONG start = GetTickCount64();
    RestartOverlayFrom(ProgramPath());
    EXPECT_LT(GetTickCount64() - start, 90u) << "it paused as if it had closed an overlay";
    EXPECT_EQ(programs_.Running(), std::set<DWORD>{});
}

// An overlay slow to go, closed and started again, ends as exactly one new overlay: by a restart, whose
// first pause is shorter, or by two toggles, the second of which must not take the going overlay for a
// running one. Under Wine on a display without a window manager, a window takes 2 s to go.
struct SlowToGoCase {
    const char* name;
    DWORD goesAfterMs;
    void (*closeAndStart)(const std::string& executablePath);
};

class E2eOverlaySlowToGo : public E2eTest, public ::testing::WithParamInterface<SlowToGoCase> {};

TEST_P(E2eOverlaySlowToGo, EndsWithOneNewOverlay) {
    ThreadWindow slow(kOverlayTitle, WS_POPUP, {0, 0, 10, 10}, GetParam().goesAfterMs);
    ASSERT_NE(slow.Handle(), nullptr);

    GetParam().closeAndStart(ProgramPath());

    EXPECT_FALSE(IsWindow(slow.Handle())) << "it returned before the old overlay went";
    const std::set<DWORD> started = programs_.Running();
    ASSERT_EQ(started.size(), 1u) << "overlay processes started";
    HWND window = WaitUntil(FindOverlay, kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no overlay";
    EXPECT_EQ(ProcessOfWindow(window), *started.begin());
    EXPECT_EQ(OverlayWindows(), std::vector<HWND>{window});
}

INSTANTIATE_TEST_SUITE_P(, E2eOverlaySlowToGo,
                         ::testing::Values(SlowToGoCase{"Restart", 500, RestartOverlayFrom},
                                           SlowToGoCase{"ToggledTwice", 2500,
                                                        [](const std::string& path) {
                                                            ToggleOverlayFrom(path);
                                                            ToggleOverlayFrom(path);
                                                        }}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
