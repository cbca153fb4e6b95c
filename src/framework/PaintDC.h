// The device context of one WM_PAINT: BeginPaint on construction, EndPaint on destruction.
#pragma once

#include "framework/Wnd.h"

class CPaintDC {
public:
    explicit CPaintDC(const CWnd& window) : m_hWnd(window.GetSafeHwnd()) {
        m_hDC = ::BeginPaint(m_hWnd, &m_ps);
    }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    BOOL DrawIcon(int x, int y, HICON icon) const { return ::DrawIcon(m_hDC, x, y, icon); }

    HDC m_hDC = nullptr;

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
};
