#include "platform/data_exchange.h"

#include <cwchar>
#include <iterator>

#include "platform/integer_text.h"
#include "platform/text_builder.h"

namespace {

constexpr const wchar_t kNotAnInteger[] = L"Veuillez entrer un nombre entier.";

// A number as French writes it: thousands apart, by a space that never breaks the
// line ("100 000").
void AppendGrouped(CTextBuilder& text, int value)
{
    wchar_t digits[16];
    CTextBuilder(digits, std::size(digits)) << value;
    const wchar_t* p = digits;
    if (*p == L'-') {
        text << L"-";
        ++p;
    }
    std::size_t left = std::wcslen(p);
    for (; *p != L'\0'; ++p, --left) {
        const wchar_t digit[2] = {*p, L'\0'};
        text << digit;
        if (left > 1 && (left - 1) % 3 == 0)
            text << L"\u00a0";
    }
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(nIDC);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return hWnd;
}

void CDataExchange::Fail(const wchar_t* message)
{
    HWND hDlg = m_pDlgWnd->m_hWnd;
    m_pDlgWnd->MessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    if (m_hWndLastControl != nullptr) {
        ::SendMessageW(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hWndLastControl), TRUE);
        if (m_bEditLastControl)
            ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    rControl.m_hWnd = pDX->PrepareCtrl(nIDC);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
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
        CTextBuilder(text, std::size(text)) << value;
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
    wchar_t message[128];
    CTextBuilder text(message, 128);
    text << L"Veuillez entrer un nombre entier compris entre ";
    AppendGrouped(text, minVal);
    text << L" et ";
    AppendGrouped(text, maxVal);
    text << L".";
    pDX->Fail(message);
}
