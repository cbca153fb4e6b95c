// Tells the first hot-key message of a press from those the keyboard's auto-repeat sends while the
// combination stays held. Where the system drops those repeats itself (MOD_NOREPEAT honoured) every
// message is a press, whatever happened before. Where it does not, a message is a new press when
// - it came sooner after the press taken last than any keyboard starts repeating, or
// - the hot key's own key was seen up after the press taken last and before the message was sent, or
// - it came longer after the message before it than any keyboard waits between two repeats,
// and a repeat otherwise. The key is looked at from a press taken until it has been seen up and every
// message sent before has been judged. Messages may be judged long after they were sent (the queue waits
// while an overlay starts or goes), so the looks are kept with their times until then.
//
// Times are 64-bit tick counts; the 32-bit message time is placed just before the moment the message is
// judged, so neither the 49.7-day wrap nor any idle time between presses enters a comparison.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

class CHotKeyPressFilter {
public:
    // No keyboard repeats sooner after its press: Windows' shortest keyboard delay. X servers default to
    // 500 to 660 ms.
    static constexpr ULONGLONG kRepeatDelayMs = 250;
    // No keyboard waits longer between the messages of one held key.
    static constexpr ULONGLONG kLongestRepeatGapMs = 10000;

    CHotKeyPressFilter() = default;

    // Forgets the press taken last. `repeatsArrive` says whether the system sends repeats at all.
    void Reset(bool repeatsArrive) { *this = CHotKeyPressFilter(repeatsArrive); }

    // A hot-key message with message time `messageTime`, judged at tick `now`: true when it begins a new
    // press, which is then the one taken last; false for a repeat of the press taken last.
    bool TakePress(DWORD messageTime, ULONGLONG now) {
        if (!m_repeatsArrive) {
            return true;
        }
        const ULONGLONG sent = SentAt(messageTime, now);
        const bool press = !m_watching || sent < m_pressedAt + kRepeatDelayMs ||
                           sent > m_lastMessageAt + kLongestRepeatGapMs ||
                           (!m_seenUp.empty() && m_seenUp.front() < sent);
        m_lastMessageAt = sent;
        if (!press) {
            return false;
        }
        m_watching = true;
        m_pressedAt = sent;
        // Only looks after this press can tell about the next message.
        m_seenUp.erase(m_seenUp.begin(), std::upper_bound(m_seenUp.begin(), m_seenUp.end(), sent));
        if (m_lastLookAt <= sent) {
            m_lastSeenUp = false;  // nothing seen since: down from the press on
        }
        return true;
    }

    // The key was seen down or up at tick `time`; looks come in the order they were taken.
    void KeySeen(bool down, ULONGLONG time) {
        if (!m_watching) {
            return;
        }
        m_lastSeenUp = !down;
        m_lastLookAt = time;
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

    // The tick at which a message was sent: its 32-bit time is the tick count's low half, and it was sent
    // less than 24.8 days before it is judged. A time a little ahead of `now` counts as now.
    static ULONGLONG SentAt(DWORD messageTime, ULONGLONG now) {
        const DWORD age = static_cast<DWORD>(now) - messageTime;
        return age < 0x80000000u && age <= now ? now - age : now;
    }

    // More than the longest toggle takes at one look every 10 ms; later looks are dropped, which can only
    // cost a press, never take a repeat.
    static constexpr std::size_t kLooksKept = 1024;

    bool m_repeatsArrive = false;
    bool m_watching = false;
    bool m_lastSeenUp = false;
    ULONGLONG m_pressedAt = 0;      // when the press taken last was sent
    ULONGLONG m_lastMessageAt = 0;  // when the message judged last was sent
    ULONGLONG m_lastLookAt = 0;
    std::vector<ULONGLONG> m_seenUp;  // times the key was seen up after the press taken last, oldest first
};
