// Tells the first hot-key message of a press from those the keyboard's auto-repeat sends while the
// combination stays held. The system drops those repeats itself where it honours MOD_NOREPEAT; where it
// does not, this filter does. It learns the key's releases, with their times, from the keyboard's raw
// input, which may be handled before or after hot-key messages that came later: so a message is judged
// by whether the key was released between the press taken last and the message's own time.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

class CHotKeyPressFilter {
public:
    CHotKeyPressFilter() = default;

    // Forgets every press and release, and watches `key` from now on. Without the key's releases
    // (`releasesSeen` false) every message counts as a press: repeats are then let through rather than a
    // second press lost.
    void Reset(UINT key, bool releasesSeen) { *this = CHotKeyPressFilter(key, releasesSeen); }

    // A key went up at `time` (the message time of its raw input).
    void KeyReleased(UINT key, DWORD time) {
        if (key != m_key || (m_pressTaken && IsBefore(time, m_pressedAt))) {
            return;
        }
        // The key typed on its own between two presses adds a release each time. The first ones answer for
        // the press taken last, the latest ones for messages still queued: the middle ones go.
        if (m_releases.size() == kReleasesKept) {
            m_releases.erase(m_releases.begin() + kReleasesKept / 2);
        }
        m_releases.push_back(time);
    }

    // A hot-key message at `time`: true when it begins a new press, which is then the one taken last;
    // false for a repeat of the press taken last.
    bool TakePress(DWORD time) {
        const bool releasedSince = std::any_of(m_releases.begin(), m_releases.end(), [&](DWORD released) {
            return !IsBefore(released, m_pressedAt) && IsBefore(released, time);
        });
        if (m_releasesSeen && m_pressTaken && !releasedSince) {
            return false;
        }
        m_pressTaken = true;
        m_pressedAt = time;
        m_releases.erase(std::remove_if(m_releases.begin(), m_releases.end(),
                                        [&](DWORD released) { return IsBefore(released, time); }),
                         m_releases.end());
        return true;
    }

private:
    CHotKeyPressFilter(UINT key, bool releasesSeen) : m_key(key), m_releasesSeen(releasesSeen) {}

    // Message times wrap around after 49.7 days; what lies less than half that span behind is earlier.
    static bool IsBefore(DWORD a, DWORD b) { return static_cast<LONG>(a - b) < 0; }

    static constexpr std::size_t kReleasesKept = 64;

    UINT m_key = 0;
    bool m_releasesSeen = false;
    bool m_pressTaken = false;
    DWORD m_pressedAt = 0;
    std::vector<DWORD> m_releases;  // of m_key, since m_pressedAt
};
