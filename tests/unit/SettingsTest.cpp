// The settings against the real registry, under the tests' own profile.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "TestApplication.h"
#include "settings/AppSettings.h"
#include "settings/HotKeySettings.h"

namespace {

std::string DirectoryOf(const std::string& path) {
    return path.substr(0, path.rfind('\\'));
}

class SettingsTest : public RegistryTest {
protected:
    CAppSettings m_settings;
};

TEST_F(SettingsTest, EmptyRegistryGivesTheDefaults) {
    std::string path = "left over";
    m_settings.GetBitmapFilePath(path);
    EXPECT_EQ(DirectoryOf(TestExecutablePath()) + "\\Tobrik.bmp", path);
    EXPECT_EQ(0u, m_settings.GetTransparentColor());
    EXPECT_EQ(255u, m_settings.GetTransparencyValue());
    WORD key = 1;
    WORD modifiers = 1;
    m_settings.ReadHotKey(key, modifiers);
    EXPECT_EQ(0, key);
    EXPECT_EQ(0, modifiers);
    // Reading creates the section's key but writes no value.
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_FALSE(StoredString("BitmapFilePath"));
    EXPECT_FALSE(StoredDword("TransparencyValue"));
}

struct StoredColor {
    DWORD red, green, blue;
    COLORREF expected;
};

class StoredColorTest : public SettingsTest, public ::testing::WithParamInterface<StoredColor> {};

TEST_P(StoredColorTest, ReadsTheLowEightBitsOfEachComponent) {
    const StoredColor& stored = GetParam();
    PutDword("TransparentColorRed", stored.red);
    PutDword("TransparentColorGreen", stored.green);
    PutDword("TransparentColorBlue", stored.blue);
    EXPECT_EQ(stored.expected, m_settings.GetTransparentColor());
}

INSTANTIATE_TEST_SUITE_P(Components, StoredColorTest,
                         ::testing::Values(StoredColor{0x12, 0x34, 0x56, 0x563412},
                                           StoredColor{0xFF, 0, 0, 0xFF}, StoredColor{0x1FF, 0, 0, 0xFF},
                                           StoredColor{0, 0x1FF, 0x100, 0xFF00},
                                           StoredColor{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFF}));

struct WrittenColor {
    COLORREF color;
    DWORD red, green, blue;
};

class WrittenColorTest : public SettingsTest, public ::testing::WithParamInterface<WrittenColor> {};

TEST_P(WrittenColorTest, StoresOneByteInEachComponent) {
    const WrittenColor& written = GetParam();
    m_settings.SetTransparentColor(written.color);
    EXPECT_EQ(written.red, StoredDword("TransparentColorRed"));
    EXPECT_EQ(written.green, StoredDword("TransparentColorGreen"));
    EXPECT_EQ(written.blue, StoredDword("TransparentColorBlue"));
    EXPECT_EQ(written.color & 0xFFFFFF, m_settings.GetTransparentColor());
}

INSTANTIATE_TEST_SUITE_P(Components, WrittenColorTest,
                         ::testing::Values(WrittenColor{0x563412, 18, 52, 86}, WrittenColor{0, 0, 0, 0},
                                           WrittenColor{0xFFFFFF, 255, 255, 255},
                                           WrittenColor{0xFF010203, 3, 2, 1}));

struct Opacity {
    int written;
    DWORD stored;
};

class OpacityTest : public SettingsTest, public ::testing::WithParamInterface<Opacity> {};

TEST_P(OpacityTest, StoresTheLowEightBits) {
    m_settings.SetTransparencyValue(GetParam().written);
    EXPECT_EQ(GetParam().stored, StoredDword("TransparencyValue"));
    EXPECT_EQ(GetParam().stored, m_settings.GetTransparencyValue());
}

INSTANTIATE_TEST_SUITE_P(Values, OpacityTest,
                         ::testing::Values(Opacity{300, 44}, Opacity{255, 255}, Opacity{0, 0},
                                           Opacity{256, 0}, Opacity{-1, 255}, Opacity{128, 128}));

TEST_F(SettingsTest, ReturnsAStoredOpacityAboveTheRangeUnchanged) {
    PutDword("TransparencyValue", 511);
    EXPECT_EQ(511u, m_settings.GetTransparencyValue());
}

TEST_F(SettingsTest, HotKeyIsWrittenAndReadAsSixteenBits) {
    m_settings.WriteHotKey(VK_F9, MOD_CONTROL | MOD_ALT);
    EXPECT_EQ(static_cast<DWORD>(VK_F9), StoredDword("HotKeyKey"));
    EXPECT_EQ(static_cast<DWORD>(MOD_CONTROL | MOD_ALT), StoredDword("HotKeyMod"));

    m_settings.WriteHotKey(0xFFFF, 0x8000);
    EXPECT_EQ(0xFFFFu, StoredDword("HotKeyKey")) << "zero-extended, not sign-extended";
    EXPECT_EQ(0x8000u, StoredDword("HotKeyMod"));

    PutDword("HotKeyKey", 0x12345);
    PutDword("HotKeyMod", 0x10004);
    WORD key = 0;
    WORD modifiers = 0;
    m_settings.ReadHotKey(key, modifiers);
    EXPECT_EQ(0x2345, key);
    EXPECT_EQ(0x0004, modifiers);
}

TEST_F(SettingsTest, HotKeySettingsTranslateBetweenControlAndStoredFlags) {
    CHotKeySettings hotKey;
    hotKey.SaveFromControl(VK_F9, HOTKEYF_CONTROL | HOTKEYF_ALT);
    EXPECT_EQ(static_cast<DWORD>(MOD_CONTROL | MOD_ALT), StoredDword("HotKeyMod"));

    hotKey.SaveFromControl(VK_F8, HOTKEYF_SHIFT | HOTKEYF_EXT);
    EXPECT_EQ(static_cast<DWORD>(VK_F8), StoredDword("HotKeyKey"));
    EXPECT_EQ(static_cast<DWORD>(MOD_SHIFT | MOD_WIN), StoredDword("HotKeyMod"));

    PutDword("HotKeyMod", MOD_ALT | MOD_CONTROL);
    WORD key = 0;
    WORD controlFlags = 0;
    WORD storedFlags = 0;
    hotKey.LoadForControl(key, controlFlags, storedFlags);
    EXPECT_EQ(VK_F8, key);
    EXPECT_EQ(HOTKEYF_ALT | HOTKEYF_CONTROL, controlFlags);
    EXPECT_EQ(MOD_ALT | MOD_CONTROL, storedFlags);

    PutDword("HotKeyMod", 0x4000);
    hotKey.LoadForControl(key, controlFlags, storedFlags);
    EXPECT_EQ(0, controlFlags);
    EXPECT_EQ(0x4000, storedFlags);
}

TEST_F(SettingsTest, CursorRunningFlagIsWrittenAsGiven) {
    m_settings.SetCursorRunning(1);
    EXPECT_EQ(1u, StoredDword("TobrikCursorRunning"));
    m_settings.SetCursorRunning(0);
    EXPECT_EQ(0u, StoredDword("TobrikCursorRunning"));
}

// A scratch directory with one existing file in it, removed afterwards.
class BitmapPathSettingTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        char temp[MAX_PATH] = {};
        ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, temp));
        m_directory = std::string(temp) + "tobrik-unit-" + std::to_string(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryA(m_directory.c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
        m_file = m_directory + "\\cursor.bmp";
        FILE* file = std::fopen(m_file.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        std::fclose(file);
    }
    void TearDown() override {
        ::DeleteFileA(m_file.c_str());
        ::RemoveDirectoryA(m_directory.c_str());
        SettingsTest::TearDown();
    }

    std::string DefaultPath() const { return DirectoryOf(TestExecutablePath()) + "\\Tobrik.bmp"; }

    std::string m_directory;
    std::string m_file;
};

TEST_F(BitmapPathSettingTest, ExistingFileIsReturnedAsStored) {
    m_settings.SetBitmapFilePath(m_file);
    EXPECT_EQ(m_file, StoredString("BitmapFilePath"));
    std::string path;
    m_settings.GetBitmapFilePath(path);
    EXPECT_EQ(m_file, path);
}

TEST_F(BitmapPathSettingTest, PathNamingNoFileGivesTheDefaultAndStaysStored) {
    const std::string stored[] = {m_directory + "\\missing.bmp", m_directory, "", "relative\\nowhere.bmp"};
    for (const std::string& value : stored) {
        PutString("BitmapFilePath", value);
        std::string path;
        m_settings.GetBitmapFilePath(path);
        EXPECT_EQ(DefaultPath(), path) << "stored: " << value;
        EXPECT_EQ(value, StoredString("BitmapFilePath"));
    }
}

TEST_F(BitmapPathSettingTest, ValueOfAnotherTypeCountsAsAbsent) {
    PutDword("BitmapFilePath", 1);
    std::string path;
    m_settings.GetBitmapFilePath(path);
    EXPECT_EQ(DefaultPath(), path);
}

TEST_F(BitmapPathSettingTest, StringStoredWithoutTerminatingZeroIsReadWhole) {
    PutBinary("BitmapFilePath", REG_SZ, m_file.data(), static_cast<DWORD>(m_file.size()));
    std::string path;
    m_settings.GetBitmapFilePath(path);
    EXPECT_EQ(m_file, path);
}

}  // namespace
