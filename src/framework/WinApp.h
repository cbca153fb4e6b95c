// The one application object: registry location and profile functions, command-line tail, main window.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    // Without a name the application title is loaded from string resource 0xE000 at start-up.
    explicit CWinApp(const char* applicationName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by the entry point before InitInstance.
    void Startup(HINSTANCE instance, const char* commandTail);

    // Returns FALSE to end the process once it has done its work, TRUE to keep it running.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    // From now on the profile lives under HKEY_CURRENT_USER\Software\<registryKey>\<application title>.
    void SetRegistryKey(const char* registryKey);

    // Profile access; every call opens the section's key, creating any missing key on the path.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    BOOL WriteProfileInt(const char* section, const char* entry, int value) const;
    std::string GetProfileString(const char* section, const char* entry, const char* defaultValue = "") const;
    BOOL WriteProfileString(const char* section, const char* entry, const char* value) const;

    // The hourglass while the program is busy without handling messages; the calls nest.
    void BeginWaitCursor();
    void EndWaitCursor();

    HINSTANCE m_hInstance = nullptr;
    std::string m_applicationTitle;
    std::string m_commandTail;  // the command line after the program name
    std::string m_registryKey;
    CWnd* m_pMainWnd = nullptr;

private:
    std::string SectionKeyPath(const char* section) const;

    int m_waitCursorCount = 0;
    HCURSOR m_cursorBeforeWait = nullptr;
};

// The wait cursor for the life of the object.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

CWinApp* AfxGetApp();
// String resource `id` of `instance`; empty when there is none.
std::string LoadResourceString(HINSTANCE instance, UINT id);
HINSTANCE AfxGetInstanceHandle();
