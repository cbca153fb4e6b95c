#include "framework/Module.h"

std::string ModuleFileName(HMODULE module) {
    // Paths may be far longer than MAX_PATH; a result that fills the buffer may have been cut, so grow it.
    constexpr DWORD kLongestPath = 1 << 17;
    for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
        std::string path(size, '\0');
        const DWORD length = ::GetModuleFileNameA(module, path.data(), size);
        if (length == 0) {
            return std::string();
        }
        if (length < size) {
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
