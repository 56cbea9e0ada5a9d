// Runs a dialog modally in this process and acts on it as a user would. A thread
// timer ticks inside whichever modal loop is running (the dialog's or a message
// box's): a message box that is open is recorded and closed; otherwise the next
// step of the script runs on the dialog. Steps post their clicks and keys, so the
// dialog handles them in its own loop, as it would a user's.
#pragma once

#include <windows.h>

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

inline BOOL CALLBACK CollectDialogs(HWND hWnd, LPARAM lParam)
{
    char cls[32];
    if (::IsWindowVisible(hWnd) && ::GetClassNameA(hWnd, cls, sizeof cls) && std::string(cls) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Run* run = Current();
    if (run == nullptr)
        return;
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectDialogs, reinterpret_cast<LPARAM>(&windows));
    HWND dialog = nullptr, messageBox = nullptr;
    for (HWND h : windows)
        (::GetWindow(h, GW_OWNER) != nullptr ? messageBox : dialog) = h;
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
