// The unit tests' application object and their own registry profile, apart from the user's settings.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

inline constexpr char kTestVendorKey[] = "tobrik.example unit tests";
inline constexpr char kTestApplicationTitle[] = "Tobrik Mouse unit tests";

// Each test starts and ends without the test profile's key in the registry.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteTestProfile(); }
    void TearDown() override { DeleteTestProfile(); }

    static void DeleteTestProfile();
    static bool SettingsKeyExists();
    // Raw access to the values of section "Settings", bypassing the code under test.
    static void PutDword(const char* name, DWORD value);
    static void PutString(const char* name, const std::string& value);
    static void PutBinary(const char* name, DWORD type, const void* data, DWORD size);
    static std::optional<DWORD> StoredDword(const char* name);
    static std::optional<std::string> StoredString(const char* name);
};

// The running test executable's full path.
std::string TestExecutablePath();
