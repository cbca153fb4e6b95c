// The Windows Installer package, as a user or an administrator deploys it: installed, installed again,
// upgraded and removed silently with the system's msiexec, and the installed program started in both roles.
// The packages are this build's program with this build's version and with a higher one, next to the tests.
#include "harness.h"

#include <msi.h>
#include <shlobj.h>

#include <fstream>
#include <iostream>

namespace e2e {
namespace {

constexpr char kUpgradeCode[] = "{2DCD64B3-0F77-408F-87D8-2B86DD972084}";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "Tobrik Mouse";
constexpr DWORD kMsiexecTimeoutMs = 60000;
constexpr DWORD kStoredOpacity = 77;

std::string Folder(int csidl) {
    char path[MAX_PATH] = "";
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}
std::string InstallFolder() {
    return Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Tobrik Mouse";
}
std::string InstalledProgram() {
    return InstallFolder() + "\\TobrikMouse.exe";
}
std::string ShortcutPath() {
    return Folder(CSIDL_PROGRAMS) + "\\Tobrik Mouse.lnk";
}
bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The program a shortcut starts, as the shell reads it; empty if it cannot be read.
std::string ShortcutTarget(const std::string& shortcut) {
    std::string target;
    const bool initialised = SUCCEEDED(CoInitialize(nullptr));
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        std::wstring widePath(shortcut.begin(), shortcut.end());
        char path[MAX_PATH] = "";
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(widePath.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
                target = path;
            }
            file->Release();
        }
        link->Release();
    }
    if (initialised) {
        CoUninitialize();
    }
    return target;
}

std::optional<std::string> SignInEntry() {
    char value[1024];
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(value);
}

// The product codes of every installed version of Tobrik Mouse.
std::vector<std::string> InstalledProducts() {
    std::vector<std::string> products;
    char product[39];
    for (DWORD index = 0; MsiEnumRelatedProductsA(kUpgradeCode, 0, index, product) == ERROR_SUCCESS;
         ++index) {
        products.emplace_back(product);
    }
    return products;
}

std::string ProductInfo(const std::string& product, const char* property) {
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    return MsiGetProductInfoA(product.c_str(), property, value, &size) == ERROR_SUCCESS ? value : "";
}

// msiexec's log, which Windows may write in UTF-16.
std::string ReadLog(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        std::string narrow;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            narrow += bytes[i + 1] == 0 ? bytes[i] : '?';
        }
        return narrow;
    }
    return bytes;
}

// Runs msiexec silently with a verbose log; fails with the log if it does not succeed.
::testing::AssertionResult Msiexec(const std::string& arguments, const std::string& log) {
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    const ULONGLONG start = GetTickCount64();
    ChildProcess msiexec(std::string(system) + "\\msiexec.exe", arguments + " /qn /l*v \"" + log + "\"");
    const std::optional<DWORD> exitCode = msiexec.WaitForExit(kMsiexecTimeoutMs);
    std::cout << "msiexec " << arguments << ": " << (GetTickCount64() - start) << " ms\n";
    if (exitCode == 0u) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << msiexec.Describe() << " ended with " << (exitCode ? std::to_string(*exitCode) : "a time-out")
           << "; its log:\n"
           << ReadLog(log);
}

// Once armed, uninstalls every installed version, so a failed test leaves no program and no sign-in entry.
struct UninstallGuard {
    explicit UninstallGuard(const TempDirectory& temp) : temp_(temp) {}
    ~UninstallGuard() {
        for (const std::string& product : armed ? InstalledProducts() : std::vector<std::string>{}) {
            EXPECT_TRUE(Msiexec("/x " + product, temp_.File("cleanup.log")));
        }
    }
    const TempDirectory& temp_;
    bool armed = false;
};

struct InstallCase {
    const char* name;
    const char* properties;
    bool signIn;
};

class E2eInstaller : public E2eTest, public ::testing::WithParamInterface<InstallCase> {
protected:
    void SetUp() override {
        E2eTest::SetUp();
        if (!*TOBRIK_TEST_PACKAGE) {
            GTEST_SKIP()
                << "no installer packages: wixl and msibuild were missing when the build was configured";
        }
        if (!InstalledProducts().empty()) {
            GTEST_SKIP() << "Tobrik Mouse is installed on this machine; the test would replace it";
        }
        uninstall_.armed = true;
        ASSERT_TRUE(WriteSetting(kOpacity, kStoredOpacity));
    }

    std::string Package(const char* name) const { return ThisProgramDirectory() + "\\" + name; }

    // What an installed version leaves: one entry in the list of installed programs, its files, the
    // shortcut, and the sign-in entry if asked for.
    void ExpectInstalled(const char* version, bool signIn) {
        const std::vector<std::string> products = InstalledProducts();
        ASSERT_EQ(products.size(), 1u);
        EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING), version);
        EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_PUBLISHER), "Tobrik Software");
        EXPECT_TRUE(Exists(ProductInfo(products[0], INSTALLPROPERTY_PRODUCTICON)))
            << "no icon at \"" << ProductInfo(products[0], INSTALLPROPERTY_PRODUCTICON) << "\"";
        EXPECT_TRUE(Exists(InstalledProgram())) << InstalledProgram();
        EXPECT_TRUE(Exists(InstallFolder() + "\\Tobrik.bmp"));
        EXPECT_EQ(_stricmp(ShortcutTarget(ShortcutPath()).c_str(), InstalledProgram().c_str()), 0)
            << ShortcutPath() << " starts \"" << ShortcutTarget(ShortcutPath()) << "\"";
        if (signIn) {
            EXPECT_EQ(SignInEntry(), "\"" + InstalledProgram() + "\" " + kOverlayToken);
        } else {
            EXPECT_EQ(SignInEntry(), std::nullopt);
        }
    }

    UninstallGuard uninstall_{temp_};
};

TEST_P(E2eInstaller, InstallStartUpgradeAndRemove) {
    const InstallCase& param = GetParam();
    const std::string properties = *param.properties ? std::string(" ") + param.properties : "";

    ASSERT_TRUE(
        Msiexec("/i \"" + Package(TOBRIK_TEST_PACKAGE) + "\"" + properties, temp_.File("install.log")));
    ExpectInstalled(TOBRIK_TEST_VERSION, param.signIn);
    {
        // The sign-in entry's command line is the one this starts.
        ChildProcess configuration(InstalledProgram(), "");
        EXPECT_NE(WaitForWindowOf(configuration, kAppTitle), nullptr) << configuration.Describe();
        ChildProcess overlay(InstalledProgram(), kOverlayToken);
        HWND overlayWindow = WaitForWindowOf(overlay, kOverlayTitle);
        ASSERT_NE(overlayWindow, nullptr) << overlay.Describe();
        EXPECT_EQ(LayeringOf(overlayWindow).value_or(Layering{}).alpha, kStoredOpacity)
            << "the installed program does not find the settings written before";
    }

    ASSERT_TRUE(Msiexec("/i \"" + Package(TOBRIK_TEST_PACKAGE) + "\"" + properties, temp_.File("again.log")));
    ExpectInstalled(TOBRIK_TEST_VERSION, param.signIn);
    // A newer version replaces the older one and keeps its sign-in entry without being told again.
    ASSERT_TRUE(Msiexec("/i \"" + Package(TOBRIK_TEST_UPGRADE_PACKAGE) + "\"", temp_.File("upgrade.log")));
    ExpectInstalled(TOBRIK_TEST_UPGRADE_VERSION, param.signIn);

    ASSERT_TRUE(Msiexec("/x \"" + Package(TOBRIK_TEST_UPGRADE_PACKAGE) + "\"", temp_.File("uninstall.log")));
    EXPECT_TRUE(InstalledProducts().empty());
    EXPECT_FALSE(Exists(InstallFolder())) << InstallFolder();
    EXPECT_FALSE(Exists(ShortcutPath())) << ShortcutPath();
    EXPECT_EQ(SignInEntry(), std::nullopt);
    EXPECT_EQ(ReadDwordSetting(kOpacity), kStoredOpacity) << DescribeSettings();
}

INSTANTIATE_TEST_SUITE_P(, E2eInstaller,
                         ::testing::Values(InstallCase{"WithoutSignIn", "", false},
                                           InstallCase{"WithSignIn", "AUTOSTART=1", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
