// The Windows Installer packages, per user and machine-wide, as a user or an administrator deploys them:
// installed, upgraded (or refused as a downgrade, or beside the other scope's install) and removed silently
// with the system's msiexec, and the installed program started in both roles. The packages, next to the
// tests: the ones the release ships (the 32-bit build's are the release's own files) and ones of the next
// version, whose only change is the version field a release raises next.
#include "harness.h"

#include <msi.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iostream>

namespace e2e {
namespace {

constexpr char kUserUpgradeCode[] = "{2DCD64B3-0F77-408F-87D8-2B86DD972084}";
constexpr char kMachineUpgradeCode[] = "{8C209650-A5EB-44B3-A851-E65A08864D11}";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "Tobrik Mouse";
constexpr DWORD kMsiexecTimeoutMs = 60000;
constexpr DWORD kStoredOpacity = 77;

std::string Folder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? Utf8(path) : "";
}
// Where each scope installs: the user's own folders and registry, or those of every user.
std::string InstallFolder(bool machine) {
    return machine ? Folder(CSIDL_PROGRAM_FILES) + "\\Tobrik Mouse"
                   : Folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Tobrik Mouse";
}
// Wine's installer ignores ALLUSERS for the Start menu: a machine-wide install's entry lands in the user's.
std::string ShortcutPath(bool machine) {
    return Folder(machine && !UnderWine() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + "\\Tobrik Mouse.lnk";
}
bool Exists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The program a shortcut starts, as the shell reads it; empty if it cannot be read.
std::string ShortcutTarget(const std::string& shortcut) {
    std::string target;
    const bool initialised = SUCCEEDED(CoInitialize(nullptr));
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        wchar_t path[MAX_PATH] = L"";
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(Wide(shortcut).c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
                target = Utf8(path);
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

std::optional<std::string> SignInEntry(bool machine) {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, Wide(kRunKey).c_str(),
                     Wide(kRunValue).c_str(), RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return Utf8(value);
}

// The product codes of every installed version of Tobrik Mouse of the scope.
std::vector<std::string> InstalledProducts(bool machine) {
    std::vector<std::string> products;
    char product[39];
    const char* upgradeCode = machine ? kMachineUpgradeCode : kUserUpgradeCode;
    for (DWORD index = 0; MsiEnumRelatedProductsA(upgradeCode, 0, index, product) == ERROR_SUCCESS; ++index) {
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

// Runs msiexec silently with a verbose log; fails with the log if it does not end with the expected code.
::testing::AssertionResult Msiexec(const std::string& arguments, const std::string& log,
                                   DWORD expectedExitCode = ERROR_SUCCESS) {
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    const ULONGLONG start = GetTickCount64();
    ChildProcess msiexec(std::string(system) + "\\msiexec.exe", arguments + " /qn /l*v \"" + log + "\"");
    const std::optional<DWORD> exitCode = msiexec.WaitForExit(kMsiexecTimeoutMs);
    std::cout << "msiexec " << arguments << ": " << (GetTickCount64() - start) << " ms\n";
    if (exitCode == expectedExitCode) {
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
        for (bool machine : {false, true}) {
            for (const std::string& product :
                 armed ? InstalledProducts(machine) : std::vector<std::string>{}) {
                EXPECT_TRUE(Msiexec("/x " + product, temp_.File("cleanup.log")));
            }
        }
    }
    const TempDirectory& temp_;
    bool armed = false;
};

struct Package {
    const char* file;
    const char* version;  // the product version it installs
    bool machine;         // for every user of the machine
};
constexpr Package kShipped{TOBRIK_TEST_PACKAGE, TOBRIK_TEST_VERSION, false};
constexpr Package kNext{TOBRIK_TEST_UPGRADE_PACKAGE, TOBRIK_TEST_UPGRADE_VERSION, false};
constexpr Package kMachine{TOBRIK_TEST_MACHINE_PACKAGE, TOBRIK_TEST_VERSION, true};
constexpr Package kMachineNext{TOBRIK_TEST_MACHINE_UPGRADE_PACKAGE, TOBRIK_TEST_UPGRADE_VERSION, true};

// One package installed, then another (or the same one again) over it, each with the given properties and the
// sign-in entry expected after it. An older package over a newer one, and a package of the other scope beside
// an install, are refused and change nothing.
struct InstallCase {
    const char* name;
    Package first;
    const char* firstProperties;
    bool firstSignIn;
    Package second;
    const char* secondProperties;
    bool secondSignIn;
    bool secondRefused;
    const char* folder = nullptr;  // given as INSTALLFOLDER to both installs, below the test's own folder
};

// Every file below a folder, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& folder, const std::string& prefix = "") {
    std::vector<std::string> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return files;
    }
    do {
        const std::string name = Utf8(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.push_back(prefix + name);
        } else if (name != "." && name != "..") {
            for (const std::string& file : FilesBelow(folder + "\\" + name, prefix + name + "\\")) {
                files.push_back(file);
            }
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());
    return files;
}

// What the packages hold: the program, the default picture and the gallery that lies next to the tests too.
std::vector<std::string> ShippedFiles() {
    std::vector<std::string> files = FilesBelow(ThisProgramDirectory() + "\\Pointers", "Pointers\\");
    files.insert(files.end(), {"Tobrik.bmp", "TobrikMouse.exe"});
    std::sort(files.begin(), files.end());
    return files;
}

class E2eInstaller : public E2eTest, public ::testing::WithParamInterface<InstallCase> {
protected:
    void SetUp() override {
        E2eTest::SetUp();
        if (!*TOBRIK_TEST_PACKAGE) {
            GTEST_SKIP()
                << "no installer packages: wixl and msibuild were missing when the build was configured";
        }
        if (!InstalledProducts(false).empty() || !InstalledProducts(true).empty()) {
            GTEST_SKIP() << "Tobrik Mouse is installed on this machine; the test would replace it";
        }
        uninstall_.armed = true;
        ASSERT_TRUE(WriteSetting(kOpacity, kStoredOpacity));
    }

    static std::string PackagePath(const char* name) { return ThisProgramDirectory() + "\\" + name; }

    // Where the case installs the scope: the folder it names, or the scope's own.
    std::string InstallFolderOf(bool machine) const {
        const char* folder = GetParam().folder;
        return folder != nullptr && machine == GetParam().first.machine
                   ? temp_.File(folder) + "\\Tobrik Mouse"
                   : InstallFolder(machine);
    }
    std::string InstalledProgramOf(bool machine) const {
        return InstallFolderOf(machine) + "\\TobrikMouse.exe";
    }

    // What an installed version leaves: one entry in the list of installed programs, its files, the
    // shortcut, and the sign-in entry if asked for; and nothing of the other scope.
    void ExpectInstalled(const Package& package, bool signIn) {
        const bool machine = package.machine;
        ExpectNothingInstalled(!machine);
        const std::vector<std::string> products = InstalledProducts(machine);
        ASSERT_EQ(products.size(), 1u);
        EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_VERSIONSTRING), package.version);
        EXPECT_EQ(ProductInfo(products[0], INSTALLPROPERTY_PUBLISHER), "Tobrik Software");
        EXPECT_TRUE(Exists(ProductInfo(products[0], INSTALLPROPERTY_PRODUCTICON)))
            << "no icon at \"" << ProductInfo(products[0], INSTALLPROPERTY_PRODUCTICON) << "\"";
        EXPECT_EQ(FilesBelow(InstallFolderOf(machine)), ShippedFiles());
        const std::string shortcut = ShortcutPath(machine);
        // Wine's shell keeps a shortcut's target in the code page of the program that made it, msiexec: a
        // name outside it comes back as question marks there.
        if (!UnderWine() || GetParam().folder == nullptr) {
            EXPECT_EQ(_stricmp(ShortcutTarget(shortcut).c_str(), InstalledProgramOf(machine).c_str()), 0)
                << shortcut << " starts \"" << ShortcutTarget(shortcut) << "\"";
        } else {
            EXPECT_TRUE(Exists(shortcut)) << shortcut;
        }
        if (signIn) {
            EXPECT_EQ(SignInEntry(machine), "\"" + InstalledProgramOf(machine) + "\" " + kOverlayToken);
        } else {
            EXPECT_EQ(SignInEntry(machine), std::nullopt);
        }
    }

    void ExpectNothingInstalled(bool machine) const {
        EXPECT_TRUE(InstalledProducts(machine).empty());
        EXPECT_FALSE(Exists(InstallFolderOf(machine))) << InstallFolderOf(machine);
        EXPECT_EQ(SignInEntry(machine), std::nullopt);
    }

    UninstallGuard uninstall_{temp_};
};

// Installs the two packages of the case one over the other, starts what is installed, then removes it.
TEST_P(E2eInstaller, InstallUpgradeStartAndRemove) {
    const InstallCase& param = GetParam();
    const std::string folder =
        param.folder != nullptr ? " INSTALLFOLDER=\"" + InstallFolderOf(param.first.machine) + "\"" : "";
    const auto arguments = [&](const char* verb, const Package& package, const char* properties) {
        return std::string(verb) + " \"" + PackagePath(package.file) + "\"" + (*properties ? " " : "") +
               properties + (std::string(verb) == "/i" ? folder : "");
    };
    // The folder that holds the install folder is removed with it unless something else put it there.
    const std::string programs = Folder(CSIDL_LOCAL_APPDATA) + "\\Programs";
    const bool programsExisted = Exists(programs);

    ASSERT_TRUE(Msiexec(arguments("/i", param.first, param.firstProperties), temp_.File("first.log")));
    ExpectInstalled(param.first, param.firstSignIn);
    if (param.secondRefused) {
        const std::string log = temp_.File("refused.log");
        ASSERT_TRUE(
            Msiexec(arguments("/i", param.second, param.secondProperties), log, ERROR_INSTALL_FAILURE));
        // Windows writes the refusal's message into the log; Wine's installer, run silently, shows it
        // nowhere.
        const char* refusal = param.first.machine == param.second.machine
                                  ? "A newer version of Tobrik Mouse is already installed."
                                  : "Tobrik Mouse is already installed for ";
        if (!UnderWine()) {
            EXPECT_NE(ReadLog(log).find(refusal), std::string::npos) << ReadLog(log);
        }
        ExpectInstalled(param.first, param.firstSignIn);
    } else {
        ASSERT_TRUE(Msiexec(arguments("/i", param.second, param.secondProperties), temp_.File("second.log")));
        ExpectInstalled(param.second, param.secondSignIn);
    }
    const Package& installed = param.secondRefused ? param.first : param.second;
    {
        // The sign-in entry's command line is the one this starts; the settings written before the first
        // install are still found.
        ChildProcess configuration(InstalledProgramOf(installed.machine), "");
        EXPECT_NE(WaitForWindowOf(configuration, kAppTitle), nullptr) << configuration.Describe();
        ChildProcess overlay(InstalledProgramOf(installed.machine), kOverlayToken);
        HWND overlayWindow = WaitForWindowOf(overlay, kOverlayTitle);
        ASSERT_NE(overlayWindow, nullptr) << overlay.Describe();
        EXPECT_EQ(LayeringOf(overlayWindow).value_or(Layering{}).alpha, kStoredOpacity)
            << "the installed program does not find the settings written before";
    }

    ASSERT_TRUE(Msiexec(arguments("/x", installed, ""), temp_.File("uninstall.log")));
    for (bool machine : {false, true}) {
        ExpectNothingInstalled(machine);
        EXPECT_FALSE(Exists(ShortcutPath(machine))) << ShortcutPath(machine);
    }
    EXPECT_TRUE(programsExisted || !Exists(programs)) << programs;
    EXPECT_EQ(ReadDwordSetting(kOpacity), kStoredOpacity) << DescribeSettings();
}

INSTANTIATE_TEST_SUITE_P(
    , E2eInstaller,
    ::testing::Values(
        InstallCase{"UpgradeWithoutSignIn", kShipped, "", false, kNext, "", false, false},
        InstallCase{"UpgradeKeepsSignIn", kShipped, "AUTOSTART=1", true, kNext, "", true, false},
        InstallCase{"UpgradeRemovesSignIn", kShipped, "AUTOSTART=1", true, kNext, "AUTOSTART=0", false,
                    false},
        // The same package again: one entry stays, and so does the sign-in entry it asks for.
        InstallCase{"SamePackageAgain", kShipped, "AUTOSTART=1", true, kShipped, "AUTOSTART=1", true, false},
        InstallCase{"DowngradeRefused", kNext, "AUTOSTART=1", true, kShipped, "", true, true},
        // For every user: the sign-in entry in HKLM, kept by the upgrade.
        InstallCase{"MachineUpgradeKeepsSignIn", kMachine, "AUTOSTART=1", true, kMachineNext, "", true,
                    false},
        InstallCase{"MachineDowngradeRefused", kMachineNext, "", false, kMachine, "", false, true},
        // One scope refuses to install beside the other, whichever came first.
        InstallCase{"MachineBesideUserRefused", kShipped, "", false, kMachine, "AUTOSTART=1", false, true},
        InstallCase{"UserBesideMachineRefused", kMachine, "AUTOSTART=1", true, kShipped, "", true, true},
        // Installed where the folder's name lies outside the code page.
        InstallCase{"FolderNamedInAnyScript", kShipped, "AUTOSTART=1", true, kShipped, "AUTOSTART=1", true,
                    false, "Пример 例 ☺"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
