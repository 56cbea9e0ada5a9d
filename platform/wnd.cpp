#include "platform/wnd.h"

#include "platform/app.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, AfxSig_end, {nullptr}}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CCmdTarget::OnCmdMsg(UINT message, UINT nID, LRESULT* pResult)
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != message || (message == WM_COMMAND && e->nID != nID))
                continue;
            switch (e->nSig) {
            case AfxSig_vv:
                (this->*e->pfn.pfn_vv)();
                *pResult = 0;
                break;
            case AfxSig_hv:
                *pResult = reinterpret_cast<LRESULT>((this->*e->pfn.pfn_hv)());
                break;
            case AfxSig_end:
                break;
            }
            return true;
        }
    }
    return false;
}

CWnd::~CWnd()
{
    if (CWinApp* pApp = AfxGetApp(); pApp != nullptr && pApp->m_pMainWnd == this)
        pApp->m_pMainWnd = nullptr;
}

int CWnd::MessageBox(const wchar_t* text, UINT nType) const
{
    wchar_t caption[128];
    if (m_hWnd == nullptr || ::GetWindowTextW(m_hWnd, caption, 128) == 0)
        caption[0] = L'\0';
    ++m_nMessageBoxes;
    const int result = ::MessageBoxW(m_hWnd, text, caption, nType);
    --m_nMessageBoxes;
    return result;
}

void CWnd::CenterWindow()
{
    RECT rcWindow, rcArea;
    ::GetWindowRect(m_hWnd, &rcWindow);
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcArea);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcArea, 0);
    const int width = rcWindow.right - rcWindow.left;
    const int height = rcWindow.bottom - rcWindow.top;
    int x = rcArea.left + (rcArea.right - rcArea.left - width) / 2;
    int y = rcArea.top + (rcArea.bottom - rcArea.top - height) / 2;
    if (x < rcArea.left)
        x = rcArea.left;
    if (y < rcArea.top)
        y = rcArea.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
