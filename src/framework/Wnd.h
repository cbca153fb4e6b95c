// One window handle and the handful of calls the program makes on it. Windows created from a template
// are subclassed: their messages pass through the class's message map before the original procedure.
#pragma once

#include <windows.h>

#include <string>

#include "framework/MessageMap.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binds this object to an existing window: its messages reach this object's message map from now on,
    // until the window is destroyed.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(UINT id, CWnd& parent);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) const {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, width, height, flags);
    }
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
    BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL InvalidateRect(const RECT* rect, BOOL erase = TRUE) const {
        return ::InvalidateRect(m_hWnd, rect, erase);
    }
    BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    BOOL SetForegroundWindow() const { return ::SetForegroundWindow(m_hWnd); }
    // A message box owned by this window; without a caption it carries the application title.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK) const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) const { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }

    // The object bound to `hwnd` by SubclassWindow, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

protected:
    virtual const MessageMap* GetMessageMap() const;

    // What a message that no map entry handles gets: the window's original procedure.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default handling of the message being dispatched now.
    LRESULT Default();

    void OnDestroy() { Default(); }

    HWND m_hWnd = nullptr;

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Offers a control-colour message to the object of the control it concerns; true when that object
    // answered it with a brush, which is then in `result`.
    static bool ReflectCtlColor(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void Unsubclass();

    WNDPROC m_originalWindowProc = nullptr;
    CurrentMessage m_currentMessage{};
};
