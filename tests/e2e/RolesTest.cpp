// The command line alone chooses the role of a process: the overlay window or the configuration dialog.
#include "harness.h"

namespace e2e {
namespace {

enum class Role { Overlay, Configuration };

struct RoleCase {
    const char* name;
    const char* tail;
    Role role;
};

class E2eRoles : public E2eTest, public ::testing::WithParamInterface<RoleCase> {};

TEST_P(E2eRoles, CommandLineChoosesTheWindow) {
    const RoleCase& param = GetParam();
    const bool overlayRole = param.role == Role::Overlay;
    const char* expectedTitle = overlayRole ? kOverlayTitle : kAppTitle;
    const char* otherTitle = overlayRole ? kAppTitle : kOverlayTitle;

    ChildProcess process(ProgramPath(), param.tail);
    ASSERT_TRUE(process.Started()) << process.Describe();
    HWND window = WaitForWindowOf(process, expectedTitle);
    ASSERT_NE(window, nullptr) << process.Describe() << ": no window \"" << expectedTitle << "\"; "
                               << DescribeWindowsOf(process.Id());
    EXPECT_EQ(FindWindowOf(process.Id(), otherTitle), nullptr) << DescribeWindowsOf(process.Id());

    ASSERT_TRUE(SendClose(window)) << "WM_CLOSE not processed, error " << GetLastError();
    EXPECT_TRUE(process.WaitForExit(kExitTimeoutMs))
        << process.Describe() << ": did not exit after WM_CLOSE; " << DescribeWindowsOf(process.Id());
}

INSTANTIATE_TEST_SUITE_P(
    , E2eRoles,
    ::testing::Values(RoleCase{"TokenAlone", ":LaunchTobrikCursor", Role::Overlay},
                      RoleCase{"TokenAmongWords", "foo :LaunchTobrikCursor bar", Role::Overlay},
                      RoleCase{"TokenGluedInWord", "xx:LaunchTobrikCursoryy", Role::Overlay},
                      RoleCase{"TokenAmidBlanks", "  :LaunchTobrikCursor\t ", Role::Overlay},
                      RoleCase{"LowerCaseToken", ":launchtobrikcursor", Role::Configuration},
                      RoleCase{"TokenWithoutColon", "LaunchTobrikCursor", Role::Configuration},
                      RoleCase{"NoArguments", "", Role::Configuration}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
