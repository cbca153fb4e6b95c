#include "framework/Module.h"

std::string ModuleFileName(HMODULE module) {
    // Paths may be far longer than MAX_PATH, and each character may take up to 4 bytes of UTF-8. A result
    // that comes within one character of the buffer's end may have been cut: Windows then says so, but Wine
    // cuts at the last whole character and reports success. So the buffer grows until a character more fits.
    constexpr DWORD kLongestPath = 1 << 18;
    constexpr DWORD kCharacterBytes = 4;
    for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
        std::string path(size, '\0');
        const DWORD length = ::GetModuleFileNameA(module, path.data(), size);
        if (length == 0) {
            return std::string();
        }
        if (length + kCharacterBytes < size) {
            path.resize(length);
            return path;
        }
    }
    return std::string();
}

bool RunsUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
