// Stands in for the web browser in the end-to-end tests. Command line: the file to append to, then the
// address it was asked to open. It appends one line, "<address> <show>", where <show> is the show state it
// was started with (wShowWindow) or "none" when the starting process passed none, and exits.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 3) {
        return 2;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    char show[16] = "none";
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) != 0) {
        snprintf(show, sizeof(show), "%u", startup.wShowWindow);
    }
    // Another recorder may be writing: wait for it, but not for ever.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file =
            CreateFileA(__argv[1], FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char line[2100];
            const int length = snprintf(line, sizeof(line), "%s %s\n", __argv[2], show);
            DWORD written = 0;
            const BOOL ok = length > 0 && length < static_cast<int>(sizeof(line)) &&
                            WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
            CloseHandle(file);
            return ok ? 0 : 1;
        }
        Sleep(10);
    }
    return 1;
}
