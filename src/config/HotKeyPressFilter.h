// Tells the first hot-key message of a press from those the keyboard's auto-repeat sends while the
// combination stays held. Where the system drops those repeats itself (MOD_NOREPEAT honoured) every
// message is a press, whatever happened before. Where it does not, the hot key's own key is looked at from
// a press taken until it has been seen up, and the caller looks once more before each message is judged.
// A message is a new press when the key was seen up after the press taken last and before the message was
// sent, a repeat when the first look after it saw the key still down. When the key went up and the message
// came between two looks, it is a press only if it came sooner after the press taken last than a keyboard
// starts repeating; the caller keeps looking at the key for that long before it starts anything that
// blocks its looks. Messages may be judged long after they were sent (the queue waits while an overlay
// starts), so the looks are kept with their times until then. The times compared lie no more than a
// queue's worth of messages apart, so neither the tick count's wrap nor the idle time between presses
// matters.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

class CHotKeyPressFilter {
public:
    // The shortest time from a press to the keyboard's first repeat (Windows' shortest keyboard delay).
    static constexpr DWORD kRepeatDelayMs = 250;

    CHotKeyPressFilter() = default;

    // Forgets the press taken last. `repeatsArrive` says whether the system sends repeats at all.
    void Reset(bool repeatsArrive) { *this = CHotKeyPressFilter(repeatsArrive); }

    // A hot-key message sent at `time`: true when it begins a new press, which is then the one taken last;
    // false for what may be a repeat of the press taken last.
    bool TakePress(DWORD time) {
        if (!m_repeatsArrive) {
            return true;
        }
        if (m_watching && !IsNewPress(time)) {
            return false;
        }
        if (!m_watching) {
            m_watching = true;
            m_lastSeenUp = false;
        }
        m_pressedAt = time;
        // Only looks after this press can tell about the next message.
        m_looks.erase(m_looks.begin(), std::find_if(m_looks.begin(), m_looks.end(), [&](const Look& look) {
                          return IsAfter(look.time, time);
                      }));
        return true;
    }

    // The key was seen down or up at tick `time`.
    void KeySeen(bool down, DWORD time) {
        if (!m_watching) {
            return;
        }
        m_lastSeenUp = !down;
        if (m_looks.size() < kLooksKept) {
            m_looks.push_back({time, down});
        }
    }

    // The message queue has run empty since the last look: every message sent before it has been judged.
    // If the key was up then, the next message is a press whenever it comes.
    void QueueEmptied() {
        if (m_watching && m_lastSeenUp) {
            m_watching = false;
            m_looks.clear();
        }
    }

    // Whether the key is to be looked at: from a press taken until the queue has run empty after it was up.
    bool Watching() const { return m_watching; }

    // Whether, at tick `now`, the caller may stop looking for a while: the key of the press taken last has
    // been seen up, or has been held longer than a keyboard waits before repeating.
    bool Settled(DWORD now) const {
        return !m_watching || m_lastSeenUp || now - m_pressedAt >= kRepeatDelayMs;
    }

private:
    struct Look {
        DWORD time;
        bool down;
    };

    explicit CHotKeyPressFilter(bool repeatsArrive) : m_repeatsArrive(repeatsArrive) {}

    bool IsNewPress(DWORD time) const {
        for (const Look& look : m_looks) {
            if (!look.down && IsAfter(time, look.time)) {
                return true;  // let go after the press taken last, and pressed again
            }
            if (!IsAfter(time, look.time)) {
                // The first look after the message: still down, or up with a release in between.
                return !look.down && time - m_pressedAt < kRepeatDelayMs;
            }
        }
        return false;  // not looked at since: held, as far as was seen
    }

    // Only for times a few seconds apart, which lie on either side of each other whatever the wrap.
    static bool IsAfter(DWORD a, DWORD b) { return static_cast<LONG>(a - b) > 0; }

    // More than the longest toggle takes at one look every 10 ms; later looks are dropped.
    static constexpr std::size_t kLooksKept = 1024;

    bool m_repeatsArrive = false;
    bool m_watching = false;
    bool m_lastSeenUp = false;
    DWORD m_pressedAt = 0;      // the message time of the press taken last
    std::vector<Look> m_looks;  // after the press taken last, oldest first
};
