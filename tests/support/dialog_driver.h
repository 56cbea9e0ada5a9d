// Finds and drives a dialog as a user would: in another process (started by its
// path; a Unix path becomes Wine's Z: path), or run modally in this one. In this
// process a thread timer ticks inside whichever modal loop is running (the
// dialog's or a message box's): a message box that is open is recorded and closed;
// otherwise the next step of the script runs on the dialog. Steps post their
// clicks and keys, so the dialog handles them in its own loop, as it would a
// user's. Used by the tests and the scripts' tools.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace dialog_driver {

using Step = std::function<void(HWND)>;

struct Outcome {
    INT_PTR result = 0;                     // what DoModal returned
    std::vector<std::wstring> messages;     // the texts of the message boxes, in order
    bool timedOut = false;                  // the dialog was still open long after the last step
};

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

struct WindowSearch {
    DWORD pid;
    Windows found;
};

inline BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    char cls[32];
    if (pid == search->pid && IsWindowVisible(hWnd) && GetClassNameA(hWnd, cls, sizeof cls) &&
        std::strcmp(cls, "#32770") == 0) {
        const bool box = GetWindow(hWnd, GW_OWNER) != nullptr;
        (box ? search->found.messageBox : search->found.dialog) = hWnd;
        search->found.messageBoxes += box ? 1 : 0;
    }
    return TRUE;
}

inline Windows FindWindowsOf(DWORD pid)
{
    WindowSearch search = {pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The process's dialog once it shows its values: its first edit (1000) has text, or
// it has none. Polled every millisecond for up to timeoutMs, while process (if
// given) runs; null if it does not come. (The message asks another process's edit;
// GetWindowTextLength would not.)
inline HWND WaitForFilledDialog(DWORD pid, HANDLE process, DWORD timeoutMs)
{
    for (const ULONGLONG start = GetTickCount64(); GetTickCount64() - start < timeoutMs; Sleep(1)) {
        if (process != nullptr && WaitForSingleObject(process, 0) != WAIT_TIMEOUT)
            return nullptr;
        HWND dialog = FindWindowsOf(pid).dialog;
        HWND edit = dialog != nullptr ? GetDlgItem(dialog, 1000) : nullptr;
        if (dialog != nullptr && (edit == nullptr || SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) > 0))
            return dialog;
    }
    return nullptr;
}

// A message box of the process, once one is open; null after timeoutMs.
inline HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs)
{
    for (const ULONGLONG start = GetTickCount64(); GetTickCount64() - start < timeoutMs; Sleep(10)) {
        if (HWND box = FindWindowsOf(pid).messageBox)
            return box;
    }
    return nullptr;
}

inline std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

inline bool StartProgram(const std::string& program, PROCESS_INFORMATION& pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string commandLine = "\"" + program + "\"";
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi) != FALSE;
}

namespace detail {

struct Run {
    std::vector<Step> steps;
    std::size_t next = 0;
    int ticksAfterLastStep = 0;
    bool busy = false;
    Outcome outcome;
};

inline Run*& Current()
{
    static Run* run = nullptr;
    return run;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Run* run = Current();
    if (run == nullptr)
        return;
    const Windows windows = FindWindowsOf(::GetCurrentProcessId());
    HWND dialog = windows.dialog, messageBox = windows.messageBox;
    // A message box is closed even while a step runs: the step's own call may show it.
    if (messageBox != nullptr) {
        run->outcome.messages.push_back(Text(::GetDlgItem(messageBox, 0xFFFF)));
        ::PostMessageA(messageBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return;
    }
    if (run->busy)
        return;
    run->busy = true;
    if (dialog != nullptr && run->next < run->steps.size()) {
        run->steps[run->next++](dialog);
    } else if (dialog != nullptr && ++run->ticksAfterLastStep > 500) {   // about 5 s
        run->outcome.timedOut = true;
        ::EndDialog(dialog, -2);
    }
    run->busy = false;
}

}  // namespace detail

// Runs dlg.DoModal() with the steps; returns once the dialog has ended.
template <class Dialog>
Outcome RunModal(Dialog& dlg, std::vector<Step> steps)
{
    detail::Run run;
    run.steps = std::move(steps);
    detail::Current() = &run;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, detail::Tick);
    run.outcome.result = dlg.DoModal();
    ::KillTimer(nullptr, timer);
    detail::Current() = nullptr;
    return run.outcome;
}

}  // namespace dialog_driver
