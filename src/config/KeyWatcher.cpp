#include "config/KeyWatcher.h"

#include <cstddef>

namespace {
// A release is seen within this time.
constexpr DWORD kLookPeriodMs = 10;
// Looks not taken by the dialog for a minute are dropped; that can only cost a press, never take a
// repeat for one.
constexpr std::size_t kLooksKept = 6000;

// Holds the lock for the lifetime of the object.
class CLock {
public:
    explicit CLock(CRITICAL_SECTION& section) : m_section(section) { ::EnterCriticalSection(&m_section); }
    ~CLock() { ::LeaveCriticalSection(&m_section); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};
}  // namespace

CKeyWatcher::CKeyWatcher() {
    ::InitializeCriticalSection(&m_lock);
}

CKeyWatcher::~CKeyWatcher() {
    if (m_thread != nullptr) {
        {
            CLock lock(m_lock);
            m_ending = true;
        }
        ::SetEvent(m_started);
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
    }
    if (m_started != nullptr) {
        ::CloseHandle(m_started);
    }
    ::DeleteCriticalSection(&m_lock);
}

void CKeyWatcher::SetKey(UINT virtualKey) {
    CLock lock(m_lock);
    m_key = virtualKey;
}

bool CKeyWatcher::Start() {
    if (m_started == nullptr) {
        m_started = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (m_started == nullptr) {
            return false;
        }
    }
    if (m_thread == nullptr) {
        m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
        if (m_thread == nullptr) {
            return false;
        }
    }
    return ::SetEvent(m_started) != FALSE;
}

void CKeyWatcher::Stop() {
    if (m_started != nullptr) {
        ::ResetEvent(m_started);
    }
}

std::vector<KeyLook> CKeyWatcher::TakeLooks() {
    std::vector<KeyLook> looks;
    CLock lock(m_lock);
    looks.swap(m_looks);
    return looks;
}

DWORD WINAPI CKeyWatcher::Run(void* watcher) {
    auto& self = *static_cast<CKeyWatcher*>(watcher);
    while (::WaitForSingleObject(self.m_started, INFINITE) == WAIT_OBJECT_0) {
        UINT key = 0;
        {
            CLock lock(self.m_lock);
            if (self.m_ending) {
                break;
            }
            key = self.m_key;
        }
        // The time is taken first: the key was in that state after it.
        const ULONGLONG time = ::GetTickCount64();
        const bool down = ::GetAsyncKeyState(static_cast<int>(key)) < 0;
        {
            CLock lock(self.m_lock);
            if (self.m_looks.size() < kLooksKept) {
                self.m_looks.push_back({time, down});
            }
        }
        ::Sleep(kLookPeriodMs);
    }
    return 0;
}
