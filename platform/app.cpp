#include "platform/app.h"

#include <commctrl.h>

#include <cstring>

CWinApp* CWinApp::s_pThisApp = nullptr;

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_pszGivenName(pszAppName)
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
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(m_hInstance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        path[0] = '\0';
    const char* slash = std::strrchr(path, '\\');
    const char* name = slash != nullptr ? slash + 1 : path;
    std::strcpy(m_szModuleName, name);
    if (char* dot = std::strrchr(m_szModuleName, '.'))
        *dot = '\0';
    m_pszAppName = m_pszGivenName != nullptr ? m_pszGivenName : m_szModuleName;

    // The help file: the executable's folder and name, with ".hlp".
    const std::size_t folder = static_cast<std::size_t>(name - path);
    if (folder + std::strlen(m_szModuleName) + sizeof ".hlp" <= MAX_PATH) {
        std::memcpy(m_szHelpFile, path, folder);
        std::strcpy(m_szHelpFile + folder, m_szModuleName);
        std::strcat(m_szHelpFile, ".hlp");
    }
    m_pszHelpFilePath = m_szHelpFile;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
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
    WinHelp(0, HELP_FINDER);
}

void CWinApp::WinHelp(DWORD_PTR dwData, UINT nCmd)
{
    HWND hWnd = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
    ::WinHelpA(hWnd, m_pszHelpFilePath, nCmd, dwData);
}

void AfxEnableControlContainer()
{
    // This framework creates dialogs through the system's dialog manager, which
    // knows window classes only; it hosts no ActiveX controls, and a template that
    // named one would fail to create (DoModal returns -1). The program's template
    // names none, so there is nothing to set up here.
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->SetNamesFromModule();

    // The trackbar is a common control: its window class exists once this is done.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    if (!::InitCommonControlsEx(&icc))
        return -1;

    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    return pApp->Run();
}
