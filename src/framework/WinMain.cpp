// The entry point: hands the application object its instance and command-line tail and runs it.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return 1;
    }
    app->Startup(instance, commandTail);
    // InitInstance returning FALSE means the process has done its work: there is no message loop of its own.
    app->InitInstance();
    return app->ExitInstance();
}
