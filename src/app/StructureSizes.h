// The 32-bit program hands these structures to the system with the sizes the system expects there.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA");
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA");
static_assert(sizeof(NOTIFYICONDATAA) == 508, "NOTIFYICONDATAA");
#endif
