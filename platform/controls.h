// The controls the dialog drives directly, attached to their windows by
// DDX_Control. Each call is the control's own message.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/wnd.h"

class CSliderCtrl : public CWnd {
public:
    // Both ends inclusive.
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE)
    {
        SendMessage(TBM_SETRANGEMIN, FALSE, nMin);
        SendMessage(TBM_SETRANGEMAX, bRedraw, nMax);
    }
    // The control clamps the position into its range.
    void SetPos(int nPos) { SendMessage(TBM_SETPOS, TRUE, nPos); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void SetTicFreq(int nFreq) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(nFreq), 0); }
};

// The list is driven through the data exchange (DDX_CBIndex); the dialog keeps it
// attached as the class library's dialogs do.
class CComboBox : public CWnd {};

// The window's paint context for one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }

    HDC m_hDC;
    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};
