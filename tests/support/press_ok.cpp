// Plays the user of a setup dialog shown by another process of the same Wine
// prefix, for the run command's test:
//   press_ok <clans>
// waits up to 60 s for the dialog "Korvane Setup 1.03 bêta" with its values filled,
// types <clans> into "Nombre de Clans", presses OK and waits until the dialog is
// gone. Exit code 0 once it is gone, 1 when no dialog came or it stayed.
#include <windows.h>

#include <cstdio>

#include "res/resource.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: press_ok <clans>\n");
        return 2;
    }
    HWND dialog = nullptr;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(20)) {
        dialog = FindWindowW(L"#32770", L"Korvane Setup 1.03 b\u00eata");
        HWND height = dialog != nullptr ? GetDlgItem(dialog, IDC_EDIT_HEIGHT) : nullptr;
        if (height != nullptr && IsWindowVisible(dialog) && SendMessageW(height, WM_GETTEXTLENGTH, 0, 0) > 0)
            break;
        dialog = nullptr;
    }
    if (dialog == nullptr) {
        std::fprintf(stderr, "press_ok: no setup dialog appeared\n");
        return 1;
    }
    SetDlgItemTextA(dialog, IDC_EDIT_CLANS, argv[1]);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
        if (!IsWindow(dialog))
            return 0;
    }
    std::fprintf(stderr, "press_ok: the dialog stayed open\n");
    return 1;
}
