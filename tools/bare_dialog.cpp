// The floors of the start-up benchmark: bare Win32 programs that only show a dialog
// and end on cancel, with none of our platform layer. Built twice: with an empty dialog
// of the setup dialog's size, and with the setup dialog's own template, where it
// writes the first edit so the probe sees the dialog as filled.
#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(hWnd, 1000, "100");
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hWnd, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    return static_cast<int>(DialogBoxParamA(hInstance, MAKEINTRESOURCEA(DIALOG_ID), nullptr, DialogProc, 0));
}
