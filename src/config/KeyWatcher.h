// Looks at one key on a thread of its own, every 10 ms while started, and keeps what it saw, with the
// times, until the dialog takes it. The dialog's own thread cannot look while it creates the overlay's
// process or closes its window, for as long as that takes; a release and a new press of the hot key in
// that time would otherwise be taken for a repeat. The thread asks for the state of that one key and
// nothing else: it receives no input and touches no window.
#pragma once

#include <windows.h>

#include <vector>

struct KeyLook {
    ULONGLONG time;  // GetTickCount64 when the key was looked at
    bool down;
};

class CKeyWatcher {
public:
    CKeyWatcher();
    ~CKeyWatcher();
    CKeyWatcher(const CKeyWatcher&) = delete;
    CKeyWatcher& operator=(const CKeyWatcher&) = delete;

    // The virtual key looked at from the next look on.
    void SetKey(UINT virtualKey);
    // Starts looking, with a thread made at the first start; false when none could be made.
    bool Start();
    // Stops looking after the look under way, if any.
    void Stop();
    // What was seen since the last call, oldest first.
    std::vector<KeyLook> TakeLooks();

private:
    static DWORD WINAPI Run(void* watcher);

    CRITICAL_SECTION m_lock;
    HANDLE m_started = nullptr;  // manual-reset event, set while the thread is to look
    HANDLE m_thread = nullptr;
    bool m_ending = false;  // the rest is shared with the thread, under m_lock
    UINT m_key = 0;
    std::vector<KeyLook> m_looks;
};
