// The stored hot key as the hot-key control shows it.
#pragma once

#include <windows.h>

class CHotKeySettings {
public:
    // The stored key with its modifier flags both as stored and as the control shows them.
    void LoadForControl(WORD& key, WORD& controlFlags, WORD& storedFlags) const;
    // Stores the key with the control's flags translated into the stored encoding.
    void SaveFromControl(WORD key, WORD controlFlags) const;
};
