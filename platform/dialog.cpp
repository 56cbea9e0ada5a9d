#include "platform/dialog.h"

#include <cstring>
#include <iterator>

#include "platform/app.h"
#include "platform/file.h"

namespace {

constexpr WORD kDlgInitResourceType = 240;

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_COMPAREITEM ||
           message == WM_VKEYTOITEM || message == WM_CHARTOITEM || message == WM_QUERYDRAGICON ||
           message == WM_INITDIALOG;
}

}  // namespace

HINSTANCE AfxGetResourceHandle()
{
    return ::GetModuleHandleW(nullptr);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, CDialog::OnOK)
    ON_COMMAND(IDCANCEL, CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    HWND hParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    // A Unicode dialog: the template's texts reach the controls as they are written,
    // whatever code page the system uses for programs that are not Unicode.
    return ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hParent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog()
{
    ExecuteDlgInit(m_nIDTemplate);
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::ExecuteDlgInit(UINT nIDTemplate)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDTemplate), MAKEINTRESOURCEW(kDlgInitResourceType));
    if (hRes == nullptr)
        return TRUE;    // no initial data
    const auto* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hInst, hRes)));
    const BYTE* end = p + ::SizeofResource(hInst, hRes);
    // Each entry: WORD control id, WORD message, DWORD length, then the bytes; an id
    // of 0 ends them. Only strings for a list are meant, each with its NUL, in UTF-8
    // as the resource script is written.
    struct { WORD nIDC, message; DWORD length; } entry;
    while (p != nullptr && end - p >= 2 && (p[0] | p[1]) != 0) {
        if (end - p < static_cast<std::ptrdiff_t>(sizeof entry))
            return FALSE;
        std::memcpy(&entry, p, sizeof entry);
        p += sizeof entry;
        wchar_t text[256];
        if (entry.length == 0 || entry.length > static_cast<DWORD>(end - p) || p[entry.length - 1] != '\0' ||
            (entry.message != CB_ADDSTRING && entry.message != LB_ADDSTRING) ||
            ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(p),
                                  static_cast<int>(entry.length), text, static_cast<int>(std::size(text))) == 0)
            return FALSE;
        ::SendDlgItemMessageW(m_hWnd, entry.nIDC, entry.message, 0, reinterpret_cast<LPARAM>(text));
        p += entry.length;
    }
    return p != nullptr && end - p >= 2;    // its terminating entry is there
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
    } else {
        pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
        if (pDlg == nullptr)
            return FALSE;   // before WM_INITDIALOG: the default processing
    }
    return pDlg->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A handler that shows a box lets other messages be handled before it returns:
    // whether each goes to the default processing too is its own.
    const bool bOuterDefault = m_bDefault;
    m_bDefault = false;
    LRESULT result = 0;
    const bool handled = Dispatch(message, wParam, lParam, &result) && !m_bDefault;
    m_bDefault = bOuterDefault;
    if (!handled)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // No exception goes back into the system's code: a file error or any other
    // failure of a handler is shown to the user and the dialog stays open.
    try {
        switch (message) {
        case WM_INITDIALOG:
            CenterWindow();
            *pResult = OnInitDialog();
            return true;
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
            m_hWnd = nullptr;
            return false;
        case WM_COMMAND:
            // Menu and button commands; none while a box of the dialog's is open (a
            // posted OK would save, or end the dialog, under it).
            if (lParam != 0 && HIWORD(wParam) != BN_CLICKED)
                return false;
            return IsShowingMessageBox() || RouteCommand(LOWORD(wParam), pResult);
        case WM_HELP:
            // F1: the Help command. F1 in a box of the dialog's comes here too (the box
            // passes it to its owner): it is answered once, by no second box.
            return IsShowingMessageBox() || RouteCommand(ID_HELP, pResult);
        case WM_SYSCOLORCHANGE:
            // The system tells only top-level windows that its colours changed; the
            // common controls among the dialog's keep copies of them.
            for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
                ::SendMessageW(h, WM_SYSCOLORCHANGE, 0, 0);
            [[fallthrough]];    // then as any other message
        default:
            return OnCmdMsg(message, 0, pResult);
        }
    } catch (const CFileException& e) {
        wchar_t text[768];
        e.GetErrorMessage(text, 768);
        MessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    } catch (const CUserException&) {
        // already shown
    } catch (...) {
        MessageBox(L"Une erreur inattendue a interrompu l'opération.", MB_OK | MB_ICONEXCLAMATION);
    }
    return true;
}

bool CDialog::RouteCommand(UINT nID, LRESULT* pResult)
{
    // The dialog's map, then the application's.
    return OnCmdMsg(WM_COMMAND, nID, pResult) || (AfxGetApp() != nullptr && AfxGetApp()->OnCmdMsg(WM_COMMAND, nID, pResult));
}
