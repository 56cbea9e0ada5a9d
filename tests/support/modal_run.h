// Runs a dialog modally in this process with a script of steps, as a user would
// act on it. A thread timer ticks inside whichever modal loop is running (the
// dialog's or a message box's): a message box that is open is recorded and closed;
// otherwise the next step of the script runs on the dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/dialog_driver.h"

namespace dialog_driver {

using Step = std::function<void(HWND)>;

struct Outcome {
    INT_PTR result = 0;                     // what DoModal returned
    std::vector<std::wstring> messages;     // the texts of the message boxes, in order
    bool timedOut = false;                  // the dialog was still open long after the last step
};

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
