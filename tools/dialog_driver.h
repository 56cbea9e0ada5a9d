// Finds and drives a dialog as a user would, for the tools and the tests: its
// windows in a process (the dialog, and a message box it owns), clicks and keys,
// and a copy of a program started by its path (a Unix path becomes Wine's Z: path),
// watched until its dialog shows its values, and ended. Clicks are posted, so that
// the dialog handles them in its own loop, as it would a user's.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace dialog_driver {

// Asks done() every intervalMs until it says yes or timeoutMs pass: whether it did.
template <class Done>
bool WaitUntil(DWORD timeoutMs, DWORD intervalMs, Done done)
{
    for (const ULONGLONG start = GetTickCount64();; Sleep(intervalMs)) {
        if (done())
            return true;
        if (GetTickCount64() - start >= timeoutMs)
            return false;
    }
}

inline std::wstring Text(HWND hWnd)
{
    wchar_t buffer[512];
    const int n = ::GetWindowTextW(hWnd, buffer, 512);
    return std::wstring(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

inline std::string ItemText(HWND hDlg, int id)
{
    char buffer[256];
    const UINT n = ::GetDlgItemTextA(hDlg, id, buffer, sizeof buffer);
    return std::string(buffer, n);
}

inline void SetItemText(HWND hDlg, int id, const char* text) { ::SetDlgItemTextA(hDlg, id, text); }

// A click on a button, as the button itself reports it.
inline void Click(HWND hDlg, int id)
{
    ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, id)));
}

// A key pressed in the control that has the focus.
inline void PressKey(UINT vk)
{
    HWND target = ::GetFocus();
    ::PostMessageA(target, WM_KEYDOWN, vk, 1);
    ::PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

// A key struck on the keyboard, through the system's input queue: what the system
// itself makes of a key (F1 becomes WM_HELP) happens only to real input.
inline void TypeKey(WORD vk)
{
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = vk;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
}

// The visible dialogs of a process: its own, and a message box it owns.
struct Windows {
    HWND dialog = nullptr;
    HWND messageBox = nullptr;
    int messageBoxes = 0;   // how many are open
};

inline BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<std::pair<DWORD, Windows>*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    char cls[32];
    if (pid == search->first && IsWindowVisible(hWnd) && GetClassNameA(hWnd, cls, sizeof cls) &&
        std::strcmp(cls, "#32770") == 0) {
        const bool box = GetWindow(hWnd, GW_OWNER) != nullptr;
        (box ? search->second.messageBox : search->second.dialog) = hWnd;
        search->second.messageBoxes += box ? 1 : 0;
    }
    return TRUE;
}

inline Windows FindWindowsOf(DWORD pid)
{
    std::pair<DWORD, Windows> search = {pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The process's dialog once it shows its values: its first edit (1000) has text, or
// it has none; null if it does not come within timeoutMs, or process (if given)
// ends first. (The message asks another process's edit; GetWindowTextLength would
// not.)
inline HWND WaitForFilledDialog(DWORD pid, HANDLE process, DWORD timeoutMs)
{
    HWND filled = nullptr;
    WaitUntil(timeoutMs, 1, [&] {
        if (process != nullptr && WaitForSingleObject(process, 0) != WAIT_TIMEOUT)
            return true;
        HWND dialog = FindWindowsOf(pid).dialog;
        HWND edit = dialog != nullptr ? GetDlgItem(dialog, 1000) : nullptr;
        if (dialog != nullptr && (edit == nullptr || SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) > 0))
            filled = dialog;
        return filled != nullptr;
    });
    return filled;
}

inline std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

// A copy of a program, started by its path, watched from this process. One that
// still runs when this ends is ended (a test that failed halfway).
class RunningProgram {
public:
    explicit RunningProgram(const std::string& path)
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string commandLine = "\"" + path + "\"";
        m_bStarted = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &si, &m_pi) != FALSE;
    }
    ~RunningProgram()
    {
        if (!m_bStarted)
            return;
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_pi.hProcess, 99);
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    static constexpr DWORD kWaitMs = 10000;     // how long each wait lasts unless told

    bool Started() const { return m_bStarted; }
    DWORD Id() const { return m_pi.dwProcessId; }

    // Its dialog once it shows its values; null if it ends or shows none.
    HWND WaitForDialog(DWORD timeoutMs = kWaitMs) const { return WaitForFilledDialog(Id(), m_pi.hProcess, timeoutMs); }

    // A message box of its own, once one is open; null after timeoutMs.
    HWND WaitForMessageBox(DWORD timeoutMs = kWaitMs) const
    {
        HWND box = nullptr;
        WaitUntil(timeoutMs, 10, [&] { return (box = FindWindowsOf(Id()).messageBox) != nullptr; });
        return box;
    }

    // Its exit code, or -1 while it still runs after timeoutMs.
    long WaitForExit(DWORD timeoutMs = kWaitMs) const
    {
        DWORD code = 0;
        if (WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(m_pi.hProcess, &code))
            return -1;
        return static_cast<long>(code);
    }

    // Ends it at once, as the task manager does, and waits until it has ended.
    void Kill(DWORD timeoutMs = kWaitMs) const
    {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, timeoutMs);
    }

private:
    PROCESS_INFORMATION m_pi = {};
    bool m_bStarted = false;
};

}  // namespace dialog_driver
