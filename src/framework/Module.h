// The full path of a loaded module, however long; whether the process runs under Wine.
#pragma once

#include <windows.h>

#include <string>

// The path the system reports for `module` (the executable when null); empty if it reports none.
std::string ModuleFileName(HMODULE module = nullptr);

// Wine's ntdll exports wine_get_version; that of Windows does not.
bool RunsUnderWine();
