#include "platform/app.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>

#include "platform/text.h"

CWinApp* CWinApp::s_pThisApp = nullptr;

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const wchar_t* pszAppName) : m_pszGivenName(pszAppName)
{
    s_pThisApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pThisApp == this)
        s_pThisApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return CWinApp::s_pThisApp;
}

void CWinApp::SetNamesFromModule()
{
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(m_hInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        path[0] = L'\0';
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    const wchar_t* name = slash != nullptr ? slash + 1 : path;
    std::wcscpy(m_szModuleName, name);
    if (wchar_t* dot = std::wcsrchr(m_szModuleName, L'.'))
        *dot = L'\0';
    m_pszAppName = m_pszGivenName != nullptr ? m_pszGivenName : m_szModuleName;
}

BOOL CWinApp::Enable3dControls()
{
    // Since Windows 95 and NT 4 the system itself draws the standard controls in
    // three dimensions (DS_3DLOOK in a template asks for it); the separate library
    // that once did this for older systems is gone, so there is nothing to load.
    return TRUE;
}

void CWinApp::OnHelp()
{
    const wchar_t text[] = L"Aucune aide n'est disponible pour ce programme.";
    if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr)
        m_pMainWnd->MessageBox(text, MB_OK | MB_ICONINFORMATION);
    else
        ::MessageBoxW(nullptr, text, m_pszAppName, MB_OK | MB_ICONINFORMATION);
}

void AfxEnableControlContainer()
{
    // This layer creates dialogs through the system's dialog manager, which
    // knows window classes only; it hosts no ActiveX controls, and a template that
    // named one would fail to create (DoModal returns -1). The program's template
    // names none, so there is nothing to set up here.
}

BOOL AfxOleInit()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || pApp->m_nOleThreadId == ::GetCurrentThreadId())
        return pApp != nullptr;
    const auto pfn = AFX_GET_PROC(AfxLoadSystemLibrary(L"ole32.dll"), CoInitializeEx);
    const HRESULT hr = pfn != nullptr ? pfn(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
    if (SUCCEEDED(hr))
        pApp->m_nOleThreadId = ::GetCurrentThreadId();
    return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;   // another's multithreaded apartment serves too
}

BOOL AfxRestrictDllSearch()
{
    // Looked up: Windows 7 and Vista have it only with an update.
    const auto pfn = AFX_GET_PROC(::GetModuleHandleW(L"kernel32.dll"), SetDefaultDllDirectories);
    if (pfn != nullptr && pfn(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return TRUE;
    // Without it, at least the current folder leaves the search; the program's
    // own folder stays first in it.
    ::SetDllDirectoryW(L"");
    return FALSE;
}

HMODULE AfxLoadSystemLibrary(const wchar_t* pszName)
{
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + std::wcslen(pszName) >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    std::wcscpy(path + length + 1, pszName);
    return ::LoadLibraryExW(path, nullptr, 0);
}

BOOL AfxInitCommonControls(DWORD dwICC)
{
    // By its full path in the system folder: the common controls are not among the
    // DLLs that Windows always takes from there. Kept loaded for the life of the
    // process: the window classes live in it.
    const auto pfn = AFX_GET_PROC(AfxLoadSystemLibrary(L"comctl32.dll"), InitCommonControlsEx);
    const INITCOMMONCONTROLSEX icc = {sizeof icc, dwICC};
    return pfn != nullptr && pfn(&icc);
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    // The program runs as administrator: before anything loads a DLL on demand,
    // none may come from the folder it was started from (a Downloads folder, say).
    AfxRestrictDllSearch();

    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->SetNamesFromModule();

    // The trackbar is a common control: its window class exists once this is done.
    if (!AfxInitCommonControls(ICC_BAR_CLASSES)) {
        wchar_t reason[256];
        GetSystemErrorText(::GetLastError(), reason, std::size(reason));
        wchar_t text[512];
        AfxFormatText(text, std::size(text),
                      L"Les contrôles communs de Windows (comctl32.dll) n'ont pas pu être chargés depuis le "
                      L"dossier système\u00a0; le programme ne peut pas s'ouvrir.\n\n%ls", reason);
        ::MessageBoxW(nullptr, text, pApp->m_pszAppName, MB_OK | MB_ICONSTOP);
        return -1;
    }

    pApp->InitInstance();
    // The dialogs are gone, and with them every object that COM served.
    if (pApp->m_nOleThreadId == ::GetCurrentThreadId()) {
        if (const auto pfn = AFX_GET_PROC(::GetModuleHandleW(L"ole32.dll"), CoUninitialize))
            pfn();
        pApp->m_nOleThreadId = 0;
    }
    return 0;
}
