#include "bench_support.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace bench {

namespace {

// Windows 10 1803 and later; older systems (and Wine) refuse the flag and get an ordinary timer.
constexpr DWORD kCreateWaitableTimerHighResolution = 0x00000002;

using CreateWaitableTimerExAFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCSTR, DWORD, DWORD);

HANDLE CreateHighResolutionTimer() {
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    FARPROC entry = kernel ? GetProcAddress(kernel, "CreateWaitableTimerExA") : nullptr;
    if (!entry) {
        return nullptr;
    }
    auto createTimer = reinterpret_cast<CreateWaitableTimerExAFunction>(reinterpret_cast<void (*)()>(entry));
    return createTimer(nullptr, nullptr, kCreateWaitableTimerHighResolution, TIMER_ALL_ACCESS);
}

// The job that takes every child down with the benchmark. Created once; if the system refuses a job,
// the children are still closed or killed one by one.
HANDLE KillOnCloseJob() {
    static HANDLE job = [] {
        HANDLE created = CreateJobObjectA(nullptr, nullptr);
        if (!created) {
            return created;
        }
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(created);
            return HANDLE{};
        }
        return created;
    }();
    return job;
}

double FileTimeMs(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

}  // namespace

Clock::Clock() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    m_msPerCount = 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Clock::NowMs() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * m_msPerCount;
}

Pacer::Pacer() : m_timer(CreateHighResolutionTimer()), m_highResolution(m_timer != nullptr) {
    m_periodRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
    if (!m_timer) {
        m_timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    }
}

Pacer::~Pacer() {
    if (m_timer) {
        CloseHandle(m_timer);
    }
    if (m_periodRaised) {
        timeEndPeriod(1);
    }
}

void Pacer::SleepMs(double ms) {
    if (ms <= 0) {
        return;
    }
    if (m_timer) {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(ms * 10000.0);  // relative, in 100 ns units
        if (SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(m_timer, INFINITE) == WAIT_OBJECT_0) {
            return;
        }
    }
    Sleep(static_cast<DWORD>(std::lround(ms)));
}

void Pacer::SleepUntil(const Clock& clock, double deadlineMs) {
    SleepMs(deadlineMs - clock.NowMs());
}

const char* Pacer::Kind() const {
    if (m_highResolution) {
        return "high-resolution waitable timer";
    }
    return m_periodRaised ? "waitable timer, timer period 1 ms" : "waitable timer, default timer period";
}

ChildProcess::~ChildProcess() {
    Kill();
    Release();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_process(std::exchange(other.m_process, nullptr)), m_id(std::exchange(other.m_id, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Kill();
        Release();
        m_process = std::exchange(other.m_process, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

bool ChildProcess::Start(const std::string& commandLine, std::string* error) {
    Kill();
    Release();
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Suspended until it is in the job, so not even its first instruction runs outside it.
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &info)) {
        *error = "CreateProcess failed, error " + std::to_string(GetLastError()) + ": " + commandLine;
        return false;
    }
    HANDLE job = KillOnCloseJob();
    if (job) {
        // Without the job the destructor still kills the child; only a killed benchmark would leak it.
        AssignProcessToJobObject(job, info.hProcess);
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_id = info.dwProcessId;
    return true;
}

bool ChildProcess::Adopt(DWORD processId, std::string* error) {
    Kill();
    Release();
    // The job needs the quota and terminate rights; the rest serve WaitForExit, Kill and CpuMs.
    HANDLE process = OpenProcess(
        PROCESS_QUERY_INFORMATION | PROCESS_SET_QUOTA | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process) {
        *error = "OpenProcess of process " + std::to_string(processId) + " failed, error " +
                 std::to_string(GetLastError());
        return false;
    }
    HANDLE job = KillOnCloseJob();
    if (job) {
        // It ran outside the job until now; a benchmark killed before this point leaks it, as it would
        // leak anything the product starts. Failing here leaves the destructor to kill it.
        AssignProcessToJobObject(job, process);
    }
    m_process = process;
    m_id = processId;
    return true;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs) {
    return !m_process || WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
}

void ChildProcess::Kill() {
    if (m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
    }
}

double ChildProcess::CpuMs() const {
    FILETIME creation, exit, kernel, user;
    if (!m_process || !GetProcessTimes(m_process, &creation, &exit, &kernel, &user)) {
        return 0;
    }
    return FileTimeMs(kernel) + FileTimeMs(user);
}

void ChildProcess::Release() {
    if (m_process) {
        CloseHandle(m_process);
        m_process = nullptr;
        m_id = 0;
    }
}

double CpuTimeStepMs(const Clock& clock) {
    const auto ownCpuMs = [] {
        FILETIME creation, exit, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
        return FileTimeMs(kernel) + FileTimeMs(user);
    };
    const double deadline = clock.NowMs() + 1000;
    double last = ownCpuMs();
    int changes = 0;
    double step = 0;
    while (changes < 2 && clock.NowMs() < deadline) {
        const double now = ownCpuMs();
        if (now != last) {
            // The first change may end a tick that began before the spin; the second is a whole one.
            step = now - last;
            last = now;
            ++changes;
        }
    }
    return changes == 2 ? step : 0;
}

HWND FindProcessWindow(const char* title, DWORD processId) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, title)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> FindWindowsByTitle(const char* title) {
    std::vector<HWND> windows;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, title)) != nullptr) {
        windows.push_back(window);
    }
    return windows;
}

DWORD WindowProcessId(HWND window) {
    DWORD processId = 0;
    return GetWindowThreadProcessId(window, &processId) != 0 ? processId : 0;
}

bool StartWithWindow(const Clock& clock, Pacer& pacer, const std::string& commandLine, const char* title,
                     double timeoutMs, WindowedProgram* program, std::string* error) {
    program->window = nullptr;
    program->startedAtMs = clock.NowMs();
    if (!program->process.Start(commandLine, error)) {
        return false;
    }
    const double deadline = program->startedAtMs + timeoutMs;
    for (;;) {
        program->window = FindProcessWindow(title, program->process.Id());
        const double now = clock.NowMs();
        if (program->window) {
            program->foundAtMs = now;
            return true;
        }
        if (program->process.WaitForExit(0)) {
            *error = "the process exited before its window \"" + std::string(title) + "\" appeared";
            return false;
        }
        if (now > deadline) {
            program->process.Kill();
            *error = "no window \"" + std::string(title) + "\" within " + FormatNumber(timeoutMs, 0) + " ms";
            return false;
        }
        pacer.SleepMs(1);
    }
}

bool CloseAndWait(WindowedProgram* program, DWORD timeoutMs) {
    if (!program->process.Started()) {
        return true;
    }
    if (program->window) {
        PostMessageA(program->window, WM_CLOSE, 0, 0);
    }
    const bool exited = program->process.WaitForExit(timeoutMs);
    program->process.Kill();
    program->window = nullptr;
    return exited;
}

Summary Summarise(std::vector<double> samples) {
    Summary summary;
    summary.count = samples.size();
    if (samples.empty()) {
        return summary;
    }
    std::sort(samples.begin(), samples.end());
    const auto rank = [&](double fraction) {
        const auto index = static_cast<size_t>(std::ceil(fraction * static_cast<double>(samples.size())));
        return samples[std::min(samples.size(), std::max<size_t>(index, 1)) - 1];
    };
    summary.min = samples.front();
    summary.p50 = rank(0.50);
    summary.p95 = rank(0.95);
    summary.max = samples.back();
    return summary;
}

void Report::Add(const std::string& name, double value, const char* unit) {
    m_figures.push_back({name, FormatNumber(value, 1) + " " + unit, "", Verdict::kNone});
}

void Report::AddWithLimit(const std::string& name, double value, const char* unit, double limit, bool strict,
                          const std::string& targetText) {
    const bool pass = strict ? value < limit : value <= limit;
    m_figures.push_back(
        {name, FormatNumber(value, 1) + " " + unit, targetText, pass ? Verdict::kPass : Verdict::kMiss});
}

void Report::AddText(const std::string& name, const std::string& value) {
    m_figures.push_back({name, value, "", Verdict::kNone});
}

void Report::Note(const std::string& text) {
    m_notes.push_back(text);
}

size_t Report::Misses() const {
    return static_cast<size_t>(std::count_if(m_figures.begin(), m_figures.end(), [](const Figure& figure) {
        return figure.verdict == Verdict::kMiss;
    }));
}

void Report::Print() const {
    size_t nameWidth = 6, valueWidth = 5, targetWidth = 6;
    for (const Figure& figure : m_figures) {
        nameWidth = std::max(nameWidth, figure.name.size());
        valueWidth = std::max(valueWidth, figure.value.size());
        targetWidth = std::max(targetWidth, figure.target.size());
    }
    const auto line = [&](const std::string& name, const std::string& value, const std::string& target,
                          const char* verdict) {
        std::printf("%-*s  %*s  %-*s  %s\n", static_cast<int>(nameWidth), name.c_str(),
                    static_cast<int>(valueWidth), value.c_str(), static_cast<int>(targetWidth),
                    target.c_str(), verdict);
    };
    line("figure", "value", "target", "verdict");
    line(std::string(nameWidth, '-'), std::string(valueWidth, '-'), std::string(targetWidth, '-'), "-------");
    for (const Figure& figure : m_figures) {
        const char* verdict = figure.verdict == Verdict::kPass   ? "PASS"
                              : figure.verdict == Verdict::kMiss ? "MISS"
                                                                 : "";
        line(figure.name, figure.value, figure.target, verdict);
    }
    if (!m_notes.empty()) {
        std::printf("\nNotes:\n");
        for (const std::string& note : m_notes) {
            std::printf("- %s\n", note.c_str());
        }
    }
    std::fflush(stdout);
}

std::string FormatNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string FormatPoint(POINT point) {
    return "(" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")";
}

std::string FormatRect(const RECT& rect) {
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ")-(" +
           std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + ") " +
           std::to_string(rect.right - rect.left) + " x " + std::to_string(rect.bottom - rect.top);
}

}  // namespace bench
