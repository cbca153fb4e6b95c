// The full path of a loaded module, however long.
#pragma once

#include <windows.h>

#include <string>

// The path the system reports for `module` (the executable when null); empty if it reports none.
std::string ModuleFileName(HMODULE module = nullptr);
