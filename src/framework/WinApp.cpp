#include "framework/WinApp.h"

#include "framework/Module.h"
#include "framework/RegistryKey.h"

namespace {
CWinApp* g_application = nullptr;
constexpr UINT kApplicationTitleString = 0xE000;
}  // namespace

std::string LoadResourceString(HINSTANCE instance, UINT id) {
    return ReadWholeText([instance, id](char* buffer, DWORD size) {
        const int length = ::LoadStringA(instance, id, buffer, static_cast<int>(size));
        return static_cast<DWORD>(length > 0 ? length : 0);
    });
}

CWinApp* AfxGetApp() {
    return g_application;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_application != nullptr && g_application->m_hInstance != nullptr ? g_application->m_hInstance
                                                                             : ::GetModuleHandleA(nullptr);
}

CWinApp::CWinApp(const char* applicationName) {
    if (applicationName != nullptr) {
        m_applicationTitle = applicationName;
    }
    g_application = this;
}

CWinApp::~CWinApp() {
    if (g_application == this) {
        g_application = nullptr;
    }
}

void CWinApp::Startup(HINSTANCE instance, const char* commandTail) {
    m_hInstance = instance;
    m_commandTail = commandTail != nullptr ? commandTail : "";
    if (m_applicationTitle.empty()) {
        m_applicationTitle = LoadResourceString(instance, kApplicationTitleString);
    }
}

void CWinApp::BeginWaitCursor() {
    const HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    if (m_waitCursorCount++ == 0) {
        m_cursorBeforeWait = previous;
    }
}

void CWinApp::EndWaitCursor() {
    if (m_waitCursorCount > 0 && --m_waitCursorCount == 0) {
        ::SetCursor(m_cursorBeforeWait != nullptr ? m_cursorBeforeWait : ::LoadCursorA(nullptr, IDC_ARROW));
        m_cursorBeforeWait = nullptr;
    }
}

CWaitCursor::CWaitCursor() {
    AfxGetApp()->BeginWaitCursor();
}

CWaitCursor::~CWaitCursor() {
    AfxGetApp()->EndWaitCursor();
}

void CWinApp::SetRegistryKey(const char* registryKey) {
    m_registryKey = registryKey;
}

std::string CWinApp::SectionKeyPath(const char* section) const {
    return "Software\\" + m_registryKey + "\\" + m_applicationTitle + "\\" + section;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const {
    const CRegistryKey key = CRegistryKey::Create(HKEY_CURRENT_USER, SectionKeyPath(section));
    DWORD value = 0;
    return key.QueryDword(entry, value) ? value : static_cast<UINT>(defaultValue);
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) const {
    const CRegistryKey key = CRegistryKey::Create(HKEY_CURRENT_USER, SectionKeyPath(section));
    return key.SetDword(entry, static_cast<DWORD>(value));
}

std::string CWinApp::GetProfileString(const char* section, const char* entry,
                                      const char* defaultValue) const {
    const CRegistryKey key = CRegistryKey::Create(HKEY_CURRENT_USER, SectionKeyPath(section));
    std::string value;
    return key.QueryString(entry, value) ? value : std::string(defaultValue);
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) const {
    const CRegistryKey key = CRegistryKey::Create(HKEY_CURRENT_USER, SectionKeyPath(section));
    return key.SetString(entry, value);
}
