// Whole texts from narrow calls, the full path of a loaded module, however long; whether the process runs
// under Wine; the program's trace.
#pragma once

#include <windows.h>

#include <string>

// The whole text that a narrow call writes into a buffer: `read(buffer, size)` returns the length it wrote,
// 0 for none. In UTF-8 a character takes up to 4 bytes, and a result that comes within one character of
// the buffer's end may have been cut: Windows then says so, but Wine cuts at the last whole character and
// reports success. So the buffer grows until a character more fits.
template <typename Read>
std::string ReadWholeText(Read&& read, DWORD firstSize = MAX_PATH) {
    constexpr DWORD kCharacterBytes = 4;
    constexpr DWORD kLargestSize = 1 << 18;  // the longest path, 32767 UTF-16 units, in UTF-8
    for (DWORD size = firstSize; size <= kLargestSize; size *= 2) {
        std::string text(size, '\0');
        const DWORD length = read(text.data(), size);
        if (length + kCharacterBytes < size) {
            text.resize(length);
            return text;
        }
    }
    return std::string();
}

// The path the system reports for `module` (the executable when null); empty if it reports none.
std::string ModuleFileName(HMODULE module = nullptr);

// Wine's ntdll exports wine_get_version; that of Windows does not.
bool RunsUnderWine();

// Writes one line of the program's trace, printf-style, for a debugger to show: Wine prints it with
// WINEDEBUG=+debugstr. Nobody reading it, a line costs a few microseconds; so only rare events are traced.
void TraceLine(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)));
