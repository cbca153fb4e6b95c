#include "TestApplication.h"

#include <vector>

#include "framework/WinApp.h"

namespace {

struct TestApplication : CWinApp {
    TestApplication() : CWinApp(kTestApplicationTitle) { SetRegistryKey(kTestVendorKey); }
} g_testApplication;

const std::string kSettingsKey =
    std::string("Software\\") + kTestVendorKey + "\\" + kTestApplicationTitle + "\\Settings";

class OpenSettingsKey {
public:
    OpenSettingsKey() {
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, nullptr, 0,
                                                   KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr));
    }
    ~OpenSettingsKey() { ::RegCloseKey(m_key); }
    operator HKEY() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

}  // namespace

void RegistryTest::DeleteTestProfile() {
    const std::string vendorKey = std::string("Software\\") + kTestVendorKey;
    const LSTATUS status = ::RegDeleteTreeA(HKEY_CURRENT_USER, vendorKey.c_str());
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "RegDeleteTree: " << status;
}

bool RegistryTest::SettingsKeyExists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

void RegistryTest::PutDword(const char* name, DWORD value) {
    PutBinary(name, REG_DWORD, &value, sizeof value);
}

void RegistryTest::PutString(const char* name, const std::string& value) {
    PutBinary(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void RegistryTest::PutBinary(const char* name, DWORD type, const void* data, DWORD size) {
    OpenSettingsKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
}

std::optional<DWORD> RegistryTest::StoredDword(const char* name) {
    OpenSettingsKey key;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
    return value;
}

std::optional<std::string> RegistryTest::StoredString(const char* name) {
    OpenSettingsKey key;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << name;
    std::vector<char> value(size + 1, '\0');
    ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    return std::string(value.data());
}

std::string TestExecutablePath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}
