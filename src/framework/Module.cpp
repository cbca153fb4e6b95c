#include "framework/Module.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

std::string ModuleFileName(HMODULE module) {
    return ReadWholeText(
        [module](char* buffer, DWORD size) { return ::GetModuleFileNameA(module, buffer, size); });
}

bool RunsUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void TraceLine(const char* format, ...) {
    char line[256];
    std::va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return;
    }
    // A longer line is cut; the trace's lines are ASCII, so the cut splits no character.
    const std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(length), sizeof line - 2);
    line[end] = '\n';
    line[end + 1] = '\0';
    ::OutputDebugStringA(line);
}
