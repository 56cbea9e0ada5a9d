// Another process's dialogs, seen from outside: starting a program by its path (a
// Unix path becomes Wine's Z: path), and finding its dialog and its message box.
// Used by the end-to-end tests and by the dialog probe of the scripts.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace process_dialogs {

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

// The visible dialogs of a process: its own, and a message box it owns.
struct Windows {
    HWND dialog = nullptr;
    HWND messageBox = nullptr;
    int messageBoxes = 0;   // how many are open
};

namespace detail {

struct Search {
    DWORD pid;
    Windows found;
};

inline BOOL CALLBACK Collect(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    char cls[32];
    if (pid == search->pid && IsWindowVisible(hWnd) && GetClassNameA(hWnd, cls, sizeof cls) &&
        std::strcmp(cls, "#32770") == 0)
    {
        const bool box = GetWindow(hWnd, GW_OWNER) != nullptr;
        (box ? search->found.messageBox : search->found.dialog) = hWnd;
        search->found.messageBoxes += box ? 1 : 0;
    }
    return TRUE;
}

}  // namespace detail

inline Windows FindWindowsOf(DWORD pid)
{
    detail::Search search = {pid, {}};
    EnumWindows(detail::Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The process's dialog once it shows its values: its first edit (1000) has text,
// or it has no such edit. GetWindowTextLength would not ask another process's
// edit; the message does.
inline HWND FilledDialogOf(DWORD pid)
{
    HWND dialog = FindWindowsOf(pid).dialog;
    if (dialog == nullptr)
        return nullptr;
    HWND edit = GetDlgItem(dialog, 1000);
    if (edit != nullptr && SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) == 0)
        return nullptr;
    return dialog;
}

}  // namespace process_dialogs
