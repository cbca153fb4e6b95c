// The entry point: hands the application object its instance and command-line tail and runs it.
#include "framework/Module.h"
#include "framework/WinApp.h"

namespace {

// A portable copy may sit in a folder that anyone can drop files into (Downloads), and Windows looks for a
// DLL in the program's folder before System32 unless told otherwise: a planted DLL of a name that the
// system loads late (the common dialogs, the shell, the theme) would run inside this process. So every DLL
// loaded from now on comes from System32 alone. The call is looked up at run time: Vista, and Windows 7
// without its update KB2533623, lack it; there at least the current folder is taken out.
void LoadDllsFromSystem32Only() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories == nullptr || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // Failing too, the search stays as it was: the program still runs.
        ::SetDllDirectoryA("");
        return;
    }
    // Wine, unlike Windows, resolves the delayed imports of its own DLLs (the drawing and COM helpers of the
    // dialogs, measured with WINEDEBUG=+loaddll) by the search path the process started with, the program's
    // folder first, whatever the default above says. Loaded from System32 now, they are found loaded then.
    if (RunsUnderWine()) {
        for (const char* name : {"msimg32.dll", "ole32.dll"}) {
            ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);  // kept loaded for good
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
    // First of all, for both roles: nothing before this point loads a DLL beyond the program's own imports.
    LoadDllsFromSystem32Only();
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return 1;
    }
    app->Startup(instance, commandTail);
    // InitInstance returning FALSE means the process has done its work: there is no message loop of its own.
    app->InitInstance();
    return app->ExitInstance();
}
