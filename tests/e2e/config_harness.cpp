#include "config_harness.h"

#include <algorithm>
#include <iterator>
#include <utility>

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
    wchar_t text[32768] = {};
    DWORD_PTR result = 0;
    HWND control = GetDlgItem(dialog, id);
    if (control != nullptr) {
        SendMessageTimeoutW(control, WM_GETTEXT, 32768, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                            kExitTimeoutMs, &result);
    }
    return Utf8(text);
}

namespace {

bool IsOfClass(HWND window, const char* className) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, className) == 0;
}

struct ChildSearch {
    const char* className;
    int id;  // or -1 for every visible child
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (IsOfClass(child, search->className) &&
        (search->id == -1 ? IsWindowVisible(child) != FALSE : GetDlgCtrlID(child) == search->id)) {
        search->found.push_back(child);
    }
    return TRUE;
}

std::vector<HWND> Descendants(HWND window, const char* className, int id) {
    ChildSearch search{className, id, {}};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<HWND> OwnedDialogs(HWND owner) {
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindowsOf(ProcessOfWindow(owner))) {
        if (GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window) && IsOfClass(window, "#32770")) {
            dialogs.push_back(window);
        }
    }
    return dialogs;
}

HWND FindOwnedDialog(HWND owner, int controlId) {
    for (HWND dialog : OwnedDialogs(owner)) {
        if (GetDlgItem(dialog, controlId) != nullptr) {
            return dialog;
        }
    }
    return nullptr;
}

HWND WaitForOwnedDialog(HWND owner, int controlId, DWORD timeoutMs) {
    return WaitUntil([&] { return FindOwnedDialog(owner, controlId); }, timeoutMs);
}

HWND FindDescendant(HWND window, const char* className, int id) {
    const std::vector<HWND> found = Descendants(window, className, id);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> VisibleChildren(HWND window, const char* className) {
    return Descendants(window, className, -1);
}

bool ClickButton(HWND window, int id) {
    HWND button = GetDlgItem(window, id);
    return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0);
}

bool ClickAt(Position position) {
    std::vector<INPUT> inputs = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return MoveCursorTo(position) && SendInputs(std::move(inputs));
}

bool FocusControl(HWND dialog, int id) {
    DWORD_PTR result = 0;
    return BringToForeground(dialog) &&
           SendMessageTimeoutA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE,
                               SMTO_NORMAL, kExitTimeoutMs, &result) != 0;
}

// The system maps a view of a section into another process without reading or writing that process's memory,
// which Wine does through ptrace, and ptrace is what the emulator running the 32-bit tests lacks.
extern "C" LONG NTAPI NtMapViewOfSection(HANDLE section, HANDLE process, void** base, ULONG_PTR zeroBits,
                                         SIZE_T commitSize, LARGE_INTEGER* offset, SIZE_T* viewSize,
                                         DWORD inheritDisposition, ULONG allocationType, ULONG protection);
extern "C" LONG NTAPI NtUnmapViewOfSection(HANDLE process, void* base);

std::optional<RECT> RectOnScreen(HWND dialog, int id, UINT message) {
    HWND control = GetDlgItem(dialog, id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION, FALSE, ProcessOfWindow(control));
    HANDLE section =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(RECT), nullptr);
    if (control == nullptr || process == nullptr || section == nullptr) {
        CloseHandle(process);
        CloseHandle(section);
        return std::nullopt;
    }
    constexpr DWORD kViewUnmap = 2;  // the view is not inherited by the process's children
    const auto* local = static_cast<const RECT*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(RECT)));
    void* remote = nullptr;
    SIZE_T size = 0;
    const bool mapped = local != nullptr && NtMapViewOfSection(section, process, &remote, 0, 0, nullptr,
                                                               &size, kViewUnmap, 0, PAGE_READWRITE) >= 0;
    const bool done =
        mapped && SendToControl(dialog, id, message, 0, reinterpret_cast<LPARAM>(remote)).has_value();
    RECT rect = done ? *local : RECT{};
    if (mapped) {
        NtUnmapViewOfSection(process, remote);
    }
    if (local != nullptr) {
        UnmapViewOfFile(local);
    }
    CloseHandle(section);
    CloseHandle(process);
    if (!done) {
        return std::nullopt;
    }
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

DWORD PixelOf(COLORREF colour) {
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
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
        // The top byte of a 32-bit pixel is unused, and what it holds after a copy from the screen differs:
        // Wine 8 leaves it 0, Wine 10 sets it to 0xff. Only the colour is kept.
        const auto* first = static_cast<const DWORD*>(bits);
        const auto* last = first + picture.size.width * picture.size.height;
        picture.pixels.reserve(last - first);
        std::transform(first, last, std::back_inserter(picture.pixels),
                       [](DWORD pixel) { return pixel & 0xFFFFFF; });
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

HWND ShownPopupMenu() {
    const std::vector<HWND> shown =
        TopLevelWindows([](HWND window) { return IsOfClass(window, "#32768") && IsWindowVisible(window); });
    return shown.empty() ? nullptr : shown.front();
}

namespace {

// The pixels of `whole`, a picture of `area`, that lie in `rect`; those outside `area` are 0.
std::vector<DWORD> Cut(const Picture& whole, const RECT& area, const RECT& rect) {
    std::vector<DWORD> pixels;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            const bool inside =
                !whole.pixels.empty() && x >= area.left && x < area.right && y >= area.top && y < area.bottom;
            pixels.push_back(inside ? whole.pixels[(y - area.top) * whole.size.width + (x - area.left)] : 0);
        }
    }
    return pixels;
}

}  // namespace

std::optional<ShownMenu> OpenPopupMenu(const std::function<bool()>& open) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screen{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const Picture before = ScreenPicture(screen);
    HWND popup = nullptr;
    ShownMenu shown;
    if (!open() || (popup = WaitUntil(ShownPopupMenu, kMoveTimeoutMs)) == nullptr ||
        !GetWindowRect(popup, &shown.rect)) {
        return std::nullopt;
    }
    // The menu's window is there before its picture is: on a busy machine Wine 10 showed what lay beneath
    // for over 300 ms. The picture counts once it differs from that.
    const std::vector<DWORD> beneath = Cut(before, screen, shown.rect);
    ULONGLONG changed = GetTickCount64();
    WaitUntil(
        [&] {
            Picture now = ScreenPicture(shown.rect);
            if (now.pixels != shown.picture.pixels) {
                shown.picture = std::move(now);
                changed = GetTickCount64();
            }
            return shown.picture.pixels != beneath && GetTickCount64() - changed >= 300;
        },
        kStartTimeoutMs);
    return shown;
}

Picture ShownSystemMenu(HWND window) {
    if (!BringToForeground(window)) {
        return {};
    }
    const std::optional<ShownMenu> shown = OpenPopupMenu([] { return PressKeys({VK_MENU, VK_SPACE}); });
    if (!shown) {
        return {};
    }
    PressKeys({VK_MENU});  // Escape would close only the popup and leave the window in menu mode
    WaitUntil([] { return ShownPopupMenu() == nullptr; }, kMoveTimeoutMs);
    return shown->picture;
}

}  // namespace e2e
