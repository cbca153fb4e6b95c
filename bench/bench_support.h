// Building blocks of the benchmarks: time, pacing, started programs, their windows, statistics and
// the printed table. Nothing here knows the overlay; the measurements in overlay_bench.cpp do.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// Monotonic milliseconds from the performance counter.
class Clock {
public:
    Clock();
    double NowMs() const;

private:
    double m_msPerCount;
};

// Waits with about one millisecond of resolution. For its whole life the system timer runs at 1 ms
// (timeBeginPeriod), and a waitable timer paces the waits; where the system offers a high-resolution
// waitable timer, that one.
class Pacer {
public:
    Pacer();
    ~Pacer();
    Pacer(const Pacer&) = delete;
    Pacer& operator=(const Pacer&) = delete;

    void SleepMs(double ms);
    void SleepUntil(const Clock& clock, double deadlineMs);
    const char* Kind() const;

private:
    HANDLE m_timer;
    bool m_highResolution;
    bool m_periodRaised;
};

// One program started by the benchmark. Every child is also put in a job that kills it when the
// benchmark ends, so an aborted run leaves nothing behind; the destructor kills a child still running.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the command line (the program's path quoted by the caller). On failure returns false and
    // says why in *error.
    bool Start(const std::string& commandLine, std::string* error);
    // Takes charge of a running process that the benchmark did not create itself (one the product
    // started), so that it is ended like any child: it joins the job, and the destructor kills it.
    bool Adopt(DWORD processId, std::string* error);
    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    bool WaitForExit(DWORD timeoutMs);
    void Kill();
    // Kernel plus user time of all its threads so far, in milliseconds.
    double CpuMs() const;

private:
    void Release();

    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// The smallest step in which the system advances a process's CPU time (GetProcessTimes counts in clock
// ticks, not exactly), found by spinning this thread until its own time has moved twice; 0 if it did
// not move within a second.
double CpuTimeStepMs(const Clock& clock);

// A top-level window with this exact title that belongs to the process, or null.
HWND FindProcessWindow(const char* title, DWORD processId);

// Every top-level window with this exact title, in the system's order.
std::vector<HWND> FindWindowsByTitle(const char* title);

// The process that created the window; 0 when the window is gone.
DWORD WindowProcessId(HWND window);

// A program started and its window found by title, polled every millisecond.
struct WindowedProgram {
    ChildProcess process;
    HWND window = nullptr;
    double startedAtMs = 0;  // just before CreateProcess
    double foundAtMs = 0;    // the poll that first found the window
};

// Starts commandLine and waits up to timeoutMs for its window. On failure the process is gone and
// *error says why.
bool StartWithWindow(const Clock& clock, Pacer& pacer, const std::string& commandLine, const char* title,
                     double timeoutMs, WindowedProgram* program, std::string* error);

// Sends WM_CLOSE (posted, so a hung window cannot block the benchmark) and waits for the process to
// exit; kills it if it does not within timeoutMs. True when it exited by itself.
bool CloseAndWait(WindowedProgram* program, DWORD timeoutMs);

// Order statistics of a sample, nearest-rank percentiles.
struct Summary {
    size_t count = 0;
    double min = 0;
    double p50 = 0;
    double p95 = 0;
    double max = 0;
};
Summary Summarise(std::vector<double> samples);

// The printed result: one line per figure, with its target and verdict where it has one.
enum class Verdict { kNone, kPass, kMiss };

struct Figure {
    std::string name;
    std::string value;
    std::string target;
    Verdict verdict = Verdict::kNone;
};

class Report {
public:
    void Add(const std::string& name, double value, const char* unit);
    // A figure that passes when value <= limit (or value < limit when strict).
    void AddWithLimit(const std::string& name, double value, const char* unit, double limit, bool strict,
                      const std::string& targetText);
    void AddText(const std::string& name, const std::string& value);
    void Note(const std::string& text);
    void Print() const;
    size_t Misses() const;

private:
    std::vector<Figure> m_figures;
    std::vector<std::string> m_notes;
};

std::string FormatNumber(double value, int decimals);
std::string FormatPoint(POINT point);
std::string FormatRect(const RECT& rect);

}  // namespace bench
