#include "framework/Module.h"

std::string ModuleFileName(HMODULE module) {
    return ReadWholeText(
        [module](char* buffer, DWORD size) { return ::GetModuleFileNameA(module, buffer, size); });
}

bool RunsUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
