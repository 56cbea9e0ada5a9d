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
#include "tools/dialog_driver.h"

using namespace dialog_driver;

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: press_ok <clans> [<file that says the run has ended>]\n");
        return 2;
    }
    const std::string ended = argc == 3 ? WindowsPath(argv[2]) : std::string();
    // The run command's dialog, in whichever process of the prefix shows it.
    HWND found = nullptr;
    WaitUntil(60000, 20, [&] {
        found = FindWindowW(L"#32770", L"Korvane Setup 1.03 b\u00eata");
        return found != nullptr || (!ended.empty() && GetFileAttributesA(ended.c_str()) != INVALID_FILE_ATTRIBUTES);
    });
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    HWND dialog = found != nullptr ? WaitForFilledDialog(pid, nullptr, 10000) : nullptr;
    if (dialog == nullptr) {
        std::fprintf(stderr, "press_ok: no setup dialog appeared\n");
        return 1;
    }
    SetItemText(dialog, IDC_EDIT_CLANS, argv[1]);
    Click(dialog, IDOK);
    if (WaitUntil(20000, 20, [&] { return !IsWindow(dialog); }))
        return 0;
    std::fprintf(stderr, "press_ok: the dialog stayed open\n");
    return 1;
}
