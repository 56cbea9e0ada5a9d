// Plays the user of a setup dialog shown by another process of the same Wine
// prefix, for the run command's test:
//   press_ok <clans> [<file>]
// waits up to 60 s for the dialog "Korvane Setup 1.03 bêta" with its values filled
// (or until <file> exists: the run that was to show it has ended), types <clans>
// into "Nombre de Clans", presses OK and waits until the dialog is gone. Exit code
// 0 once it is gone, 1 when no dialog came or it stayed.
#include <windows.h>

#include <cstdio>

#include "res/resource.h"
#include "tests/support/dialog_driver.h"

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: press_ok <clans> [<file that says the run has ended>]\n");
        return 2;
    }
    const std::string ended = argc == 3 ? dialog_driver::WindowsPath(argv[2]) : std::string();
    // The run command's dialog, in whichever process of the prefix shows it.
    HWND found = nullptr;
    for (const ULONGLONG start = GetTickCount64(); found == nullptr && GetTickCount64() - start < 60000; Sleep(20)) {
        found = FindWindowW(L"#32770", L"Korvane Setup 1.03 b\u00eata");
        if (found == nullptr && !ended.empty() && GetFileAttributesA(ended.c_str()) != INVALID_FILE_ATTRIBUTES)
            break;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    HWND dialog = found != nullptr ? dialog_driver::WaitForFilledDialog(pid, nullptr, 10000) : nullptr;
    if (dialog == nullptr) {
        std::fprintf(stderr, "press_ok: no setup dialog appeared\n");
        return 1;
    }
    dialog_driver::SetItemText(dialog, IDC_EDIT_CLANS, argv[1]);
    dialog_driver::Click(dialog, IDOK);
    for (const ULONGLONG start = GetTickCount64(); GetTickCount64() - start < 20000; Sleep(20)) {
        if (!IsWindow(dialog))
            return 0;
    }
    std::fprintf(stderr, "press_ok: the dialog stayed open\n");
    return 1;
}
