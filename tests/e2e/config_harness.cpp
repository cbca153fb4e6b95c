#include "config_harness.h"

namespace e2e {

std::optional<LRESULT> SendToControl(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    DWORD_PTR result = 0;
    if (control == nullptr ||
        !SendMessageTimeoutA(control, message, wParam, lParam, SMTO_NORMAL, kExitTimeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::string ControlText(HWND dialog, int id) {
    char text[1024] = {};
    SendToControl(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

Picture ScreenPicture(const RECT& rect) {
    Picture picture{{rect.right - rect.left, rect.bottom - rect.top}, {}};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.size.width;
    info.bmiHeader.biHeight = -picture.size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (bits != nullptr &&
        BitBlt(memory, 0, 0, picture.size.width, picture.size.height, screen, rect.left, rect.top, SRCCOPY)) {
        const auto* first = static_cast<const DWORD*>(bits);
        picture.pixels.assign(first, first + picture.size.width * picture.size.height);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

Picture ShownSystemMenu(HWND window) {
    Picture picture;
    if (!BringToForeground(window) || !PressKeys({VK_MENU, VK_SPACE})) {
        return picture;
    }
    const auto popup = [] {
        HWND found = FindWindowA("#32768", nullptr);
        return IsWindowVisible(found) ? found : nullptr;
    };
    RECT rect{};
    if (WaitUntil(popup, kMoveTimeoutMs) != nullptr && GetWindowRect(popup(), &rect)) {
        ULONGLONG changed = GetTickCount64();
        WaitUntil(
            [&] {
                Picture now = ScreenPicture(rect);
                if (now.pixels != picture.pixels) {
                    picture = std::move(now);
                    changed = GetTickCount64();
                }
                return GetTickCount64() - changed >= 300;
            },
            kMoveTimeoutMs);
        PressKeys({VK_MENU});  // Escape would close only the popup and leave the window in menu mode
        WaitUntil([&] { return popup() == nullptr; }, kMoveTimeoutMs);
    }
    return picture;
}

}  // namespace e2e
