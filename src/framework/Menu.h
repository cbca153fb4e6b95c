// A menu owned by its wrapper: destroyed when the wrapper goes.
#pragma once

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL DestroyMenu() {
        if (m_hMenu == nullptr) {
            return FALSE;
        }
        const BOOL destroyed = ::DestroyMenu(m_hMenu);
        m_hMenu = nullptr;
        return destroyed;
    }
    HMENU GetSafeHmenu() const { return m_hMenu; }

private:
    HMENU m_hMenu = nullptr;
};
