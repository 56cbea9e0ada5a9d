#include "platform/data_exchange.h"

#include <iterator>

#include "platform/integer_text.h"
#include "platform/text.h"

namespace {

constexpr const wchar_t kNotAnInteger[] = L"Veuillez entrer un nombre entier.";

// A number as French writes it: thousands apart, by a space that never breaks the
// line ("100 000").
const wchar_t* Grouped(int value, wchar_t (&text)[24])
{
    wchar_t digits[16];
    AfxFormatText(digits, std::size(digits), L"%d", value);
    wchar_t* out = text;
    for (const wchar_t* p = digits; *p != L'\0'; ++p) {
        *out++ = *p;
        const std::size_t left = std::wcslen(p + 1);
        if (*p != L'-' && left > 0 && left % 3 == 0)
            *out++ = L'\u00a0';
    }
    *out = L'\0';
    return text;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(nIDC);
    return m_hWndLastControl;
}

void CDataExchange::Fail(const wchar_t* message)
{
    HWND hDlg = m_pDlgWnd->m_hWnd;
    m_pDlgWnd->MessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    // The dialog manager's own move of the focus: it also selects an edit's whole
    // text, so that the user types over it.
    if (m_hWndLastControl != nullptr)
        ::SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hWndLastControl), TRUE);
    throw CUserException();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    rControl.m_hWnd = pDX->PrepareCtrl(nIDC);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    wchar_t text[64];
    if (pDX->m_bSaveAndValidate) {
        // A text too long for the buffer is no 32-bit integer, whatever it holds.
        const int length = ::GetWindowTextLengthW(hWnd);
        std::int32_t parsed = 0;
        if (length >= static_cast<int>(std::size(text)))
            pDX->Fail(kNotAnInteger);
        const int copied = ::GetWindowTextW(hWnd, text, static_cast<int>(std::size(text)));
        if (!ParseInteger(std::wstring_view(text, static_cast<std::size_t>(copied)), parsed))
            pDX->Fail(kNotAnInteger);
        value = parsed;
    } else {
        AfxFormatText(text, std::size(text), L"%d", value);
        ::SetWindowTextW(hWnd, text);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(hWnd, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ::SendMessageW(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    else
        ::SendMessageW(hWnd, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    wchar_t message[128], low[24], high[24];
    AfxFormatText(message, std::size(message), L"Veuillez entrer un nombre entier compris entre %ls et %ls.",
                  Grouped(minVal, low), Grouped(maxVal, high));
    pDX->Fail(message);
}
