// Every persisted setting, in section "Settings" of the application's registry profile. Nothing is cached:
// every read goes to the registry and every write goes there at once.
#pragma once

#include <windows.h>

#include <string>

class CAppSettings {
public:
    virtual ~CAppSettings() = default;

    // The stored path if it names an existing file that is not a directory, otherwise the default bitmap
    // path; the stored value is left as it is.
    void GetBitmapFilePath(std::string& path) const;
    void SetBitmapFilePath(const std::string& path) const;

    COLORREF GetTransparentColor() const;
    void SetTransparentColor(COLORREF color) const;

    // The stored opacity as it is; readers use its low 8 bits.
    UINT GetTransparencyValue() const;
    // Stores the low 8 bits of `value`.
    void SetTransparencyValue(int value) const;

    // Key and modifier flags (as RegisterHotKey takes them); key 0 means no hot key.
    void ReadHotKey(WORD& key, WORD& modifiers) const;
    void WriteHotKey(WORD key, WORD modifiers) const;

    // The overlay's running flag: 1 once its window is set up, 0 when the window is destroyed.
    void SetCursorRunning(int running) const;
};
