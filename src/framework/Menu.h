// A menu owned by its wrapper: destroyed when the wrapper goes.
#pragma once

#include <windows.h>

#include <utility>

#include "framework/WinApp.h"

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
    // Exchanges the menus the two wrappers hold.
    void Swap(CMenu& other) { std::swap(m_hMenu, other.m_hMenu); }

    // Loads menu resource `id` of the program; fails while a menu is held.
    BOOL LoadMenu(UINT id);
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }

private:
    HMENU m_hMenu = nullptr;
};

inline BOOL CMenu::LoadMenu(UINT id) {
    if (m_hMenu != nullptr) {
        return FALSE;
    }
    m_hMenu = ::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id));
    return m_hMenu != nullptr;
}
