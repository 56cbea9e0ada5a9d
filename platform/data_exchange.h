// Data exchange between a dialog's controls and its members: DoDataExchange lists
// one DDX_ line per control, each DDV_ check right after the DDX_ it checks. Into
// the controls nothing is checked; out of them the first failure tells the user,
// puts the focus back on that control and ends the transfer.
#pragma once

#include <windows.h>

#include "platform/wnd.h"

// A failure that has already been shown to the user.
class CUserException {};

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // The control with this id, remembered as the one the next DDV_ check is about.
    HWND PrepareCtrl(int nIDC);

    // Shows message in a box owned by the dialog, moves the focus to the control
    // last prepared (selecting all of an edit's text, which stays as typed) and
    // raises CUserException, which ends the transfer.
    [[noreturn]] void Fail(const wchar_t* message);

    BOOL m_bSaveAndValidate;    // TRUE: out of the controls, with checks
    CWnd* m_pDlgWnd;

private:
    HWND m_hWndLastControl = nullptr;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
