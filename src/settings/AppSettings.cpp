#include "settings/AppSettings.h"

#include "framework/WinApp.h"
#include "settings/BitmapPath.h"
#include "settings/SettingsCodec.h"

namespace {

constexpr char kSection[] = "Settings";
constexpr char kBitmapFilePath[] = "BitmapFilePath";
constexpr char kTransparentColorRed[] = "TransparentColorRed";
constexpr char kTransparentColorGreen[] = "TransparentColorGreen";
constexpr char kTransparentColorBlue[] = "TransparentColorBlue";
constexpr char kTransparencyValue[] = "TransparencyValue";
constexpr char kHotKeyKey[] = "HotKeyKey";
constexpr char kHotKeyMod[] = "HotKeyMod";
constexpr char kCursorRunning[] = "TobrikCursorRunning";
constexpr int kOpaque = 255;

UINT ReadInt(const char* name, int defaultValue) {
    return AfxGetApp()->GetProfileInt(kSection, name, defaultValue);
}

// Write failures are not reported: the next read yields the old value or the default.
void WriteInt(const char* name, int value) {
    AfxGetApp()->WriteProfileInt(kSection, name, value);
}

bool NamesExistingFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

void CAppSettings::GetBitmapFilePath(std::string& path) const {
    path = AfxGetApp()->GetProfileString(kSection, kBitmapFilePath, "");
    if (!NamesExistingFile(path)) {
        path = DefaultBitmapPath();
    }
}

void CAppSettings::SetBitmapFilePath(const std::string& path) const {
    AfxGetApp()->WriteProfileString(kSection, kBitmapFilePath, path.c_str());
}

COLORREF CAppSettings::GetTransparentColor() const {
    const UINT red = ReadInt(kTransparentColorRed, 0);
    const UINT green = ReadInt(kTransparentColorGreen, 0);
    const UINT blue = ReadInt(kTransparentColorBlue, 0);
    return ColorKeyFromComponents(red, green, blue);
}

void CAppSettings::SetTransparentColor(COLORREF color) const {
    WriteInt(kTransparentColorRed, static_cast<int>(color & 0xFF));
    WriteInt(kTransparentColorGreen, static_cast<int>((color >> 8) & 0xFF));
    WriteInt(kTransparentColorBlue, static_cast<int>((color >> 16) & 0xFF));
}

UINT CAppSettings::GetTransparencyValue() const {
    return ReadInt(kTransparencyValue, kOpaque);
}

void CAppSettings::SetTransparencyValue(int value) const {
    WriteInt(kTransparencyValue, value & 0xFF);
}

void CAppSettings::ReadHotKey(WORD& key, WORD& modifiers) const {
    key = static_cast<WORD>(ReadInt(kHotKeyKey, 0));
    modifiers = static_cast<WORD>(ReadInt(kHotKeyMod, 0));
}

void CAppSettings::WriteHotKey(WORD key, WORD modifiers) const {
    WriteInt(kHotKeyKey, key);
    WriteInt(kHotKeyMod, modifiers);
}

void CAppSettings::SetCursorRunning(int running) const {
    WriteInt(kCursorRunning, running);
}
