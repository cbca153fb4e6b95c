#include "harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <utility>

namespace e2e {

bool operator==(const Extent& a, const Extent& b) {
    return a.width == b.width && a.height == b.height;
}
bool operator==(const Position& a, const Position& b) {
    return a.x == b.x && a.y == b.y;
}
bool operator==(const Layering& a, const Layering& b) {
    return a.key == b.key && a.alpha == b.alpha && a.flags == b.flags;
}
std::ostream& operator<<(std::ostream& out, const Extent& extent) {
    return out << extent.width << " x " << extent.height;
}
std::ostream& operator<<(std::ostream& out, const Position& position) {
    return out << "(" << position.x << ", " << position.y << ")";
}
std::ostream& operator<<(std::ostream& out, const Layering& layering) {
    std::ostringstream text;
    text << std::hex << "key 0x" << std::setw(6) << std::setfill('0') << layering.key << " alpha " << std::dec
         << static_cast<int>(layering.alpha) << " flags " << layering.flags;
    return out << text.str();
}

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(
        CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                                        static_cast<int>(wide.size()), utf8.data(),
                                                        static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}

int WineMajorVersion() {
    const auto version = reinterpret_cast<const char* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return version != nullptr ? std::max(std::atoi(version()), 1) : 0;
}

bool UnderWine() {
    return WineMajorVersion() != 0;
}

std::string ThisProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string full = Utf8(std::wstring(path, length));
    return full.substr(0, full.find_last_of('\\'));
}

std::string ProgramPath() {
    return ThisProgramDirectory() + "\\TobrikMouse.exe";
}
std::string DefaultBitmapPath() {
    return ThisProgramDirectory() + "\\Tobrik.bmp";
}

// --- ChildProcess ---

ChildProcess::ChildProcess(const std::string& exePath, const std::string& tail,
                           const std::string& workingDirectory, bool quotePath)
    : commandLine_(quotePath ? "\"" + exePath + "\"" : exePath) {
    if (!tail.empty()) {
        commandLine_ += " " + tail;
    }
    std::wstring commandLine = Wide(commandLine_);
    const std::wstring directory = Wide(workingDirectory);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(Wide(exePath).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info_)) {
        startError_ = GetLastError();
        info_ = {};
        return;
    }
    CloseHandle(info_.hThread);
    info_.hThread = nullptr;
}

// WM_CLOSE to the process's top-level windows first, then, after a bounded wait, TerminateProcess.
static void EndProcess(HANDLE process, DWORD processId) {
    const std::vector<HWND> windows = TopLevelWindowsOf(processId);
    for (HWND window : windows) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (windows.empty() || WaitForSingleObject(process, kExitTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, kExitTimeoutMs);
    }
}

ChildProcess::~ChildProcess() {
    if (!Started()) {
        return;
    }
    if (IsRunning()) {
        EndProcess(info_.hProcess, Id());
    }
    CloseHandle(info_.hProcess);
}

bool ChildProcess::IsRunning() const {
    return Started() && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD timeoutMs) const {
    DWORD exitCode = 0;
    if (!Started() || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(info_.hProcess, &exitCode)) {
        return std::nullopt;
    }
    return exitCode;
}

std::string ChildProcess::Describe() const {
    std::ostringstream text;
    text << "command line [" << commandLine_ << "]";
    if (!Started()) {
        text << " not started, error " << startError_;
    }
    return text.str();
}

// --- Windows ---

namespace {

struct WindowSearch {
    const std::function<bool(HWND)>& keep;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (search->keep(window)) {
        search->windows.push_back(window);
    }
    return TRUE;
}

}  // namespace

// EnumWindows, never FindWindowEx from a window found before: given such a window while overlays come and
// go, Wine 10's server was seen to loop for good in that search, and every program of the prefix hung.
std::vector<HWND> TopLevelWindows(const std::function<bool(HWND)>& keep) {
    WindowSearch search{keep, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    return TopLevelWindows([processId](HWND window) { return ProcessOfWindow(window) == processId; });
}

static std::string TitleOf(HWND window) {
    char title[256] = {};
    const int length = GetWindowTextA(window, title, sizeof title);
    return std::string(title, length > 0 ? length : 0);
}

HWND FindWindowOf(DWORD processId, const char* exactTitle) {
    for (HWND window : TopLevelWindowsOf(processId)) {
        if (TitleOf(window) == exactTitle) {
            return window;
        }
    }
    return nullptr;
}

HWND WaitForWindowOf(const ChildProcess& process, const char* exactTitle, DWORD timeoutMs) {
    return WaitUntil([&] { return process.IsRunning() ? FindWindowOf(process.Id(), exactTitle) : nullptr; },
                     timeoutMs);
}

HWND FindOverlay() {
    return FindWindowA(nullptr, kOverlayTitle);
}

std::vector<HWND> OverlayWindows() {
    return TopLevelWindows([](HWND window) { return TitleOf(window) == kOverlayTitle; });
}

DWORD ProcessOfWindow(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::string ProcessImagePath(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    wchar_t path[32768] = {};
    DWORD length = 32768;
    const bool read = process != nullptr && QueryFullProcessImageNameW(process, 0, path, &length);
    if (process != nullptr) {
        CloseHandle(process);
    }
    return read ? Utf8(std::wstring(path, length)) : std::string();
}

bool WaitForProcessExit(DWORD processId, DWORD timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
        return true;
    }
    const bool exited = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return exited;
}

bool WaitForProcessIdle(DWORD processId, DWORD timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    const bool idle = WaitForInputIdle(process, timeoutMs) == 0;
    CloseHandle(process);
    return idle;
}

bool BringToForeground(HWND window) {
    return SetForegroundWindow(window) &&
           WaitUntil([window] { return GetForegroundWindow() == window; }, kMoveTimeoutMs);
}

bool PressKeys(const std::vector<WORD>& keys, Keystroke stroke) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags) {
        static const std::set<WORD> kExtended = {VK_LEFT,  VK_RIGHT, VK_UP,     VK_DOWN,   VK_HOME, VK_END,
                                                 VK_PRIOR, VK_NEXT,  VK_INSERT, VK_DELETE, VK_LWIN, VK_RWIN};
        inputs.push_back({INPUT_KEYBOARD, {}});
        inputs.back().ki.wVk = key;
        inputs.back().ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        inputs.back().ki.dwFlags = flags | (kExtended.count(key) != 0 ? KEYEVENTF_EXTENDEDKEY : 0);
    };
    if (stroke != Keystroke::Up) {
        std::for_each(keys.begin(), keys.end(), [&](WORD key) { add(key, 0); });
    }
    if (stroke != Keystroke::Down) {
        std::for_each(keys.rbegin(), keys.rend(), [&](WORD key) { add(key, KEYEVENTF_KEYUP); });
    }
    return SendInputs(std::move(inputs));
}

bool SendInputs(std::vector<INPUT> inputs) {
    const UINT count = static_cast<UINT>(inputs.size());
    UINT sent = 0;
    WaitUntil([&] { return (sent = SendInput(count, inputs.data(), sizeof(INPUT))) != 0; }, kMoveTimeoutMs);
    return sent == count;
}

Extent WindowSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

Position WindowTopLeft(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

std::optional<Layering> LayeringOf(HWND window) {
    Layering layering{};
    if (!GetLayeredWindowAttributes(window, &layering.key, &layering.alpha, &layering.flags)) {
        return std::nullopt;
    }
    return layering;
}

bool SendClose(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kExitTimeoutMs, &result) != 0;
}

std::string Describe(HWND window) {
    if (!IsWindow(window)) {
        return "no window";
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    char className[128] = {};
    GetClassNameA(window, className, sizeof className);
    std::ostringstream text;
    text << "window \"" << TitleOf(window) << "\" class " << className << " rect (" << rect.left << ", "
         << rect.top << ")-(" << rect.right << ", " << rect.bottom << ") size " << WindowSize(window)
         << std::hex << " style 0x" << GetWindowLongA(window, GWL_STYLE) << " exstyle 0x"
         << GetWindowLongA(window, GWL_EXSTYLE) << std::dec;
    if (const auto layering = LayeringOf(window)) {
        text << " layering " << *layering;
    } else {
        text << " no layering attributes";
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    text << "; pointer " << Position{cursor.x, cursor.y};
    return text.str();
}

std::string DescribeWindowsOf(DWORD processId) {
    std::string text = "top-level windows of process " + std::to_string(processId) + ":";
    for (HWND window : TopLevelWindowsOf(processId)) {
        text += "\n  " + Describe(window);
    }
    return text;
}

bool HoldCursorAt(Position position) {
    POINT cursor{};
    if (GetCursorPos(&cursor) && cursor.x == position.x && cursor.y == position.y) {
        return true;
    }
    // Under Wine a late motion event from an earlier warp can put the pointer back where it was.
    SetCursorPos(position.x, position.y);
    return false;
}

bool MoveCursorTo(Position position) {
    return SetCursorPos(position.x, position.y) &&
           WaitUntil([&] { return HoldCursorAt(position); }, kMoveTimeoutMs);
}

static INT_PTR CALLBACK MeasuringDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

Extent DialogUnitsToPixels(int cx, int cy) {
    // DLGTEMPLATE, then empty menu, class and caption, then the font: point size and face name.
    alignas(DWORD) WORD buffer[64] = {};
    auto* dialogTemplate = reinterpret_cast<DLGTEMPLATE*>(buffer);
    dialogTemplate->style = WS_POPUP | DS_SETFONT;
    dialogTemplate->cx = static_cast<short>(cx);
    dialogTemplate->cy = static_cast<short>(cy);
    WORD* next = reinterpret_cast<WORD*>(dialogTemplate + 1) + 3;
    *next++ = 8;
    for (const char* face = "MS Sans Serif";; ++face) {
        *next++ = static_cast<WORD>(*face);
        if (*face == '\0') {
            break;
        }
    }
    // The dialog stays hidden and lives only while it is measured.
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, nullptr,
                                             MeasuringDialogProc, 0);
    RECT rect{0, 0, cx, cy};
    const bool mapped = dialog != nullptr && MapDialogRect(dialog, &rect);
    if (dialog != nullptr) {
        DestroyWindow(dialog);
    }
    return mapped ? Extent{rect.right - rect.left, rect.bottom - rect.top} : Extent{0, 0};
}

std::optional<DialogMetrics> ProgramDialogHere(int templateId) {
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(templateId), RT_DIALOG);
    const void* resource = found != nullptr ? LockResource(LoadResource(program, found)) : nullptr;
    std::vector<DWORD> copy(resource != nullptr ? SizeofResource(program, found) / 4 + 1 : 0);
    HWND dialog = nullptr;
    if (!copy.empty()) {
        std::memcpy(copy.data(), resource, SizeofResource(program, found));
        copy[3] &= ~static_cast<DWORD>(WS_VISIBLE);                               // DLGTEMPLATEEX's style
        *reinterpret_cast<WORD*>(reinterpret_cast<BYTE*>(copy.data()) + 16) = 0;  // and its count of items
        dialog =
            CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(copy.data()),
                                       nullptr, MeasuringDialogProc, 0);
    }
    DialogMetrics metrics{};
    RECT client{};
    const bool read = dialog != nullptr && GetClientRect(dialog, &client) &&
                      GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                                 sizeof metrics.font, &metrics.font) != 0;
    metrics.client = {client.right, client.bottom};
    if (dialog != nullptr) {
        DestroyWindow(dialog);
    }
    FreeLibrary(program);
    return read ? std::optional<DialogMetrics>(metrics) : std::nullopt;
}

// --- Windows and processes that live beside the test ---

namespace {

constexpr char kThreadWindowClass[] = "TobrikE2eThreadWindow";
constexpr UINT_PTR kCloseTimer = 1;

LRESULT CALLBACK ThreadWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            SetTimer(window, kCloseTimer, static_cast<UINT>(GetWindowLongPtrA(window, GWLP_USERDATA)),
                     nullptr);
            return 0;
        case WM_TIMER:
            DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

ThreadWindow::ThreadWindow(const char* title, DWORD style, RECT bounds, DWORD closeDelayMs)
    : title_(title),
      style_(style),
      bounds_(bounds),
      closeDelayMs_(closeDelayMs),
      ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {
    if (thread_ != nullptr) {
        WaitForSingleObject(ready_, kStartTimeoutMs);
    }
}

ThreadWindow::~ThreadWindow() {
    SetEvent(release_);
    if (thread_ != nullptr) {
        WaitForSingleObject(thread_, kExitTimeoutMs);
        CloseHandle(thread_);
    }
    CloseHandle(release_);
    CloseHandle(ready_);
}

DWORD WINAPI ThreadWindow::Run(void* param) {
    auto* self = static_cast<ThreadWindow*>(param);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ThreadWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = kThreadWindowClass;
    RegisterClassA(&windowClass);  // fails harmlessly when an earlier window registered it
    const RECT& bounds = self->bounds_;
    HWND window = CreateWindowExA(0, kThreadWindowClass, self->title_.c_str(), self->style_, bounds.left,
                                  bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, static_cast<LONG_PTR>(self->closeDelayMs_));
    self->window_ = window;
    SetEvent(self->ready_);
    if (self->closeDelayMs_ == kHung) {
        WaitForSingleObject(self->release_, INFINITE);
    } else {
        while (MsgWaitForMultipleObjects(1, &self->release_, FALSE, INFINITE, QS_ALLINPUT) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    return 0;
}

NewProcesses::NewProcesses(std::vector<std::string> executableNames)
    : names_(std::move(executableNames)), before_(RunningWithTheNames()) {}

NewProcesses::~NewProcesses() {
    for (const DWORD processId : Running()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
        if (process != nullptr) {
            EndProcess(process, processId);
            CloseHandle(process);
        }
    }
}

std::set<DWORD> NewProcesses::Running() const {
    std::set<DWORD> running = RunningWithTheNames();
    for (const DWORD processId : before_) {
        running.erase(processId);
    }
    return running;
}

std::set<DWORD> NewProcesses::RunningWithTheNames() const {
    std::set<DWORD> running;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return running;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        for (const std::string& name : names_) {
            if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0) {
                running.insert(entry.th32ProcessID);
            }
        }
    }
    CloseHandle(snapshot);
    return running;
}

// --- Settings ---

namespace {

class Key {
public:
    explicit Key(const std::string& path, bool create = false) {
        const LONG result =
            create ? RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                     nullptr, &key_, nullptr)
                   : RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key_);
        if (result != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~Key() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

    // Names of all values, read before any is changed.
    std::vector<std::string> ValueNames() const {
        std::vector<std::string> names;
        char name[16384];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            if (RegEnumValueA(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                return names;
            }
            names.emplace_back(name, length);
        }
    }

private:
    HKEY key_ = nullptr;
};

// Values are read and written with the wide calls: a string is the UTF-16 the registry keeps, whatever
// the code page of this process or of the program under test.
bool QueryValue(const char* name, DWORD& type, std::vector<BYTE>& data) {
    Key key(kSettingsKey);
    DWORD size = 0;
    const std::wstring wideName = Wide(name);
    if (key.get() == nullptr ||
        RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    data.resize(size);
    return RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
}

bool SetValue(const char* name, DWORD type, const void* data, DWORD size) {
    Key key(kSettingsKey, true);
    return key.get() != nullptr && RegSetValueExW(key.get(), Wide(name).c_str(), 0, type,
                                                  static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

}  // namespace

bool WriteSetting(const char* name, DWORD value) {
    return SetValue(name, REG_DWORD, &value, sizeof value);
}

bool WriteSetting(const char* name, const std::string& value) {
    const std::wstring wide = Wide(value);
    return SetValue(name, REG_SZ, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

bool DeleteSetting(const char* name) {
    Key key(kSettingsKey);
    if (key.get() == nullptr) {
        return true;
    }
    const LONG result = RegDeleteValueA(key.get(), name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteAllSettings() {
    Key key(kSettingsKey, true);
    bool deleted = key.get() != nullptr;
    for (const std::string& name : deleted ? key.ValueNames() : std::vector<std::string>{}) {
        deleted = RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS && deleted;
    }
    return deleted;
}

std::optional<DWORD> ReadDwordSetting(const char* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    return *reinterpret_cast<const DWORD*>(data.data());
}

std::optional<std::string> ReadStringSetting(const char* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!QueryValue(name, type, data) || type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring value(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(value.data(), data.data(), value.size() * sizeof(wchar_t));
    return Utf8(value.substr(0, value.find(L'\0')));
}

std::string DescribeSettings() {
    Key key(kSettingsKey);
    if (key.get() == nullptr) {
        return "settings: no key";
    }
    std::string text = "settings:";
    for (const std::string& name : key.ValueNames()) {
        text += " " + name + "=";
        if (const auto number = ReadDwordSetting(name.c_str())) {
            text += std::to_string(*number);
        } else if (const auto string = ReadStringSetting(name.c_str())) {
            text += "\"" + *string + "\"";
        } else {
            text += "(other type)";
        }
    }
    return text;
}

SettingsSnapshot::SettingsSnapshot() {
    std::string path = kSettingsKey;
    for (;;) {
        if (Key(path).get() != nullptr) {
            break;
        }
        missingKeys_.push_back(path);
        path.erase(path.find_last_of('\\'));
        if (path == "Software") {
            break;
        }
    }
    Key key(kSettingsKey);
    if (key.get() == nullptr) {
        return;
    }
    for (const std::string& name : key.ValueNames()) {
        Value value{name, 0, {}};
        if (QueryValue(name.c_str(), value.type, value.data)) {
            values_.push_back(std::move(value));
        }
    }
}

SettingsSnapshot::~SettingsSnapshot() {
    if (!missingKeys_.empty()) {
        DeleteAllSettings();
        for (const std::string& path : missingKeys_) {
            RegDeleteKeyA(HKEY_CURRENT_USER,
                          path.c_str());  // fails, and keeps the key, if something lives below it
        }
        return;
    }
    DeleteAllSettings();
    for (const Value& value : values_) {
        SetValue(value.name.c_str(), value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    }
}

// --- Files ---

static unsigned nextTempDirectory = 0;

TempDirectory::TempDirectory() {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    // Process ids come round again, and a directory of an earlier test may outlive it while a program
    // started from there is still on its way out; so a name is taken only if its directory is new.
    const std::string prefix = std::string(base) + "tobrik-e2e-" + std::to_string(GetCurrentProcessId()) +
                               "-" + std::to_string(GetTickCount64()) + "-";
    do {
        path_ = prefix + std::to_string(nextTempDirectory++);
    } while (!CreateDirectoryA(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
}

static void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + L"\\" + name);
            } else {
                DeleteFileW((path + L"\\" + name).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

TempDirectory::~TempDirectory() {
    RemoveTree(Wide(path_));
}

std::string TempDirectory::Subdirectory(const std::string& name) const {
    const std::string path = File(name);
    return CreateDirectoryW(Wide(path).c_str(), nullptr) ? path : std::string();
}

bool WriteBmpFile(const std::string& path, int width, int height,
                  const std::function<COLORREF(int x, int y)>& pixel) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // positive: the bottom row comes first
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::vector<char> pixels(info.biSizeImage);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = pixel(x, y);
            char* bgr = &pixels[static_cast<size_t>((height - 1 - y) * stride + x * 3)];
            bgr[0] = static_cast<char>(GetBValue(colour));
            bgr[1] = static_cast<char>(GetGValue(colour));
            bgr[2] = static_cast<char>(GetRValue(colour));
        }
    }
    std::ofstream out(std::filesystem::path(Wide(path)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(std::filesystem::path(Wide(path)), std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

std::optional<Extent> ReadBmpSize(const std::string& path) {
    std::ifstream in(std::filesystem::path(Wide(path)), std::ios::binary);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    in.read(reinterpret_cast<char*>(&file), sizeof file);
    in.read(reinterpret_cast<char*>(&info), sizeof info);
    if (!in || file.bfType != 0x4D42) {
        return std::nullopt;
    }
    if (info.biSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core{};
        std::memcpy(&core, &info, sizeof core);
        return Extent{core.bcWidth, core.bcHeight};
    }
    return Extent{info.biWidth, std::labs(info.biHeight)};
}

std::string CopyProgramTo(const std::string& directory) {
    const std::string copy = directory + "\\TobrikMouse.exe";
    return CopyFileW(Wide(ProgramPath()).c_str(), Wide(copy).c_str(), FALSE) ? copy : std::string();
}

bool operator==(const KeyboardOwner& a, const KeyboardOwner& b) {
    return a.foreground == b.foreground && a.focus == b.focus;
}

std::ostream& operator<<(std::ostream& out, const KeyboardOwner& owner) {
    return out << "foreground " << Describe(owner.foreground) << ", focus " << Describe(owner.focus);
}

KeyboardOwner KeyboardNow() {
    const HWND foreground = GetForegroundWindow();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    return {foreground, thread != 0 && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr};
}

::testing::AssertionResult KeepsTheKeyboard(const KeyboardOwner& expected, DWORD durationMs,
                                            const std::function<bool()>& step) {
    ULONGLONG end = GetTickCount64() + kStartTimeoutMs;
    for (bool done = false;;) {
        if (step() && !done) {
            done = true;
            end = GetTickCount64() + durationMs;
        }
        const KeyboardOwner now = KeyboardNow();
        if (!(now == expected)) {
            return ::testing::AssertionFailure() << "the keyboard went to " << now << " from " << expected;
        }
        if (GetTickCount64() >= end) {
            return done ? ::testing::AssertionSuccess()
                        : ::testing::AssertionFailure() << "it never happened";
        }
        Sleep(kPollStepMs);
    }
}

OwnWindow::OwnWindow(const char* title, RECT bounds, const char* className) {
    window_ = CreateWindowExA(0, className, title, WS_POPUP | WS_VISIBLE | WS_BORDER, bounds.left, bounds.top,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    PumpMessages(0);
}

OwnWindow::~OwnWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

bool OwnWindow::BringToForeground() {
    // Wine asks the X server for the focus with the time of this thread's last message (once the process has
    // seen an X event with a time, as a window under the pointer gives it), and the server ignores a request
    // older than its last change of focus: a message taken just now makes the request current, as the input
    // a user gives before such a change would.
    MSG message;
    if (window_ == nullptr || !PostMessageA(window_, WM_NULL, 0, 0) ||
        !PeekMessageA(&message, window_, WM_NULL, WM_NULL, PM_REMOVE) || !SetForegroundWindow(window_)) {
        return false;
    }
    return WaitUntil(
        [this] {
            PumpMessages(0);
            return GetForegroundWindow() == window_;
        },
        kMoveTimeoutMs);
}

void OwnWindow::PumpMessages(DWORD durationMs) {
    const ULONGLONG end = GetTickCount64() + durationMs;
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (durationMs > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollStepMs, QS_ALLINPUT);
        }
    } while (GetTickCount64() < end);
}

}  // namespace e2e
