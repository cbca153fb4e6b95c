// Tells the first hot-key message of a press from those the keyboard's auto-repeat sends while the
// combination stays held. Where the system drops those repeats itself (MOD_NOREPEAT honoured) every
// message is a press, whatever happened before. Where it does not, the hot key's own key is looked at from
// a press taken until it has been seen up: a message is a new press only if the key was seen up after the
// press taken last and before the message was sent. Messages may be judged long after they were sent (the
// queue waits while an overlay starts), so the looks are kept with their times until then. The times
// compared lie no more than a queue's worth of messages apart, so neither the tick count's wrap nor the
// idle time between presses matters.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class CHotKeyPressFilter {
public:
    CHotKeyPressFilter() = default;

    // Forgets the press taken last. `repeatsArrive` says whether the system sends repeats at all.
    void Reset(bool repeatsArrive) { *this = CHotKeyPressFilter(repeatsArrive); }

    // A hot-key message sent at `time`: true when it begins a new press, which is then the one taken last;
    // false for what may be a repeat of the press taken last.
    bool TakePress(DWORD time) {
        if (!m_repeatsArrive) {
            return true;
        }
        if (m_watching && (m_seenUp.empty() || !IsAfter(time, m_seenUp.front()))) {
            return false;
        }
        if (!m_watching) {
            m_watching = true;
            m_lastSeenUp = false;
        }
        // Only looks after this press can tell its release.
        std::size_t kept = 0;
        while (kept < m_seenUp.size() && !IsAfter(m_seenUp[kept], time)) {
            ++kept;
        }
        m_seenUp.erase(m_seenUp.begin(), m_seenUp.begin() + static_cast<std::ptrdiff_t>(kept));
        return true;
    }

    // The key was seen down or up at tick `time`.
    void KeySeen(bool down, DWORD time) {
        if (!m_watching) {
            return;
        }
        m_lastSeenUp = !down;
        if (!down && m_seenUp.size() < kLooksKept) {
            m_seenUp.push_back(time);
        }
    }

    // The message queue has run empty since the last look: every message sent before it has been judged.
    // If the key was up then, the next message is a press whenever it comes.
    void QueueEmptied() {
        if (m_watching && m_lastSeenUp) {
            m_watching = false;
            m_seenUp.clear();
        }
    }

    // Whether the key is to be looked at: from a press taken until the queue has run empty after it was up.
    bool Watching() const { return m_watching; }

private:
    explicit CHotKeyPressFilter(bool repeatsArrive) : m_repeatsArrive(repeatsArrive) {}

    // Only for times a few seconds apart, which lie on either side of each other whatever the wrap.
    static bool IsAfter(DWORD a, DWORD b) { return static_cast<LONG>(a - b) > 0; }

    // More than the longest toggle takes at one look every 10 ms; later looks are dropped, which can only
    // cost a press, never take a repeat.
    static constexpr std::size_t kLooksKept = 1024;

    bool m_repeatsArrive = false;
    bool m_watching = false;
    bool m_lastSeenUp = false;
    std::vector<DWORD> m_seenUp;  // times the key was seen up after the press taken last, oldest first
};
