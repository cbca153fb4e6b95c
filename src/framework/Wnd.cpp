#include "framework/Wnd.h"

#include "framework/WinApp.h"

CWnd::~CWnd() {
    Unsubclass();
}

const MessageMap* CWnd::GetMessageMap() const {
    static const MessageMap map(nullptr);
    return &map;
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (hwnd == nullptr || m_hWnd != nullptr) {
        return false;
    }
    m_hWnd = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_originalWindowProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, CWnd& parent) {
    return SubclassWindow(::GetDlgItem(parent.m_hWnd, static_cast<int>(id)));
}

void CWnd::Unsubclass() {
    if (m_hWnd == nullptr) {
        return;
    }
    if (m_originalWindowProc != nullptr) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_originalWindowProc));
    }
    ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_originalWindowProc = nullptr;
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    if (hwnd == nullptr ||
        ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)) {
        return nullptr;
    }
    return reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK CWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* wnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (wnd == nullptr) {
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return wnd->Dispatch(message, wParam, lParam);
}

bool CWnd::ReflectCtlColor(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC) {
        return false;
    }
    const HWND controlWindow = reinterpret_cast<HWND>(lParam);
    CWnd* control = FromHandlePermanent(controlWindow);
    if (control == nullptr) {
        return false;
    }
    const MessageMapEntry* entry = control->GetMessageMap()->FindReflected(kReflectedCtlColor);
    if (entry == nullptr) {
        return false;
    }
    CtlColorReflection reflection{controlWindow, reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX};
    result = entry->invoke(*control, 0, reinterpret_cast<LPARAM>(&reflection));
    return result != 0;
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    // Handlers may send messages to their own window, so the message Default() refers to nests.
    const CurrentMessage outer = m_currentMessage;
    m_currentMessage = {message, wParam, lParam};
    LRESULT result = 0;
    if (!ReflectCtlColor(message, wParam, lParam, result)) {
        const MessageMapEntry* entry = GetMessageMap()->Find(message, wParam, lParam);
        result =
            entry != nullptr ? entry->invoke(*this, wParam, lParam) : DefWindowProc(message, wParam, lParam);
    }
    m_currentMessage = outer;
    if (message == WM_NCDESTROY) {
        Unsubclass();
    }
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_originalWindowProc != nullptr) {
        return ::CallWindowProcA(m_originalWindowProc, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMessage.message, m_currentMessage.wParam, m_currentMessage.lParam);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) const {
    if (caption == nullptr && AfxGetApp() != nullptr) {
        caption = AfxGetApp()->m_applicationTitle.c_str();
    }
    return ::MessageBoxA(m_hWnd, text, caption, type);
}
