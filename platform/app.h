// CWinApp and the start-up: the one application object, which the framework finds
// through the pointer it registers at construction, and AfxWinMain, which the
// process entry calls.
#pragma once

#include <windows.h>

#include "platform/wnd.h"

#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
public:
    // With no name, the name is the executable's, without its folder and extension.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once at start-up; FALSE ends the program without a message loop.
    virtual BOOL InitInstance();
    // Runs the message loop until WM_QUIT; only after InitInstance returned TRUE.
    virtual int Run();
    // The process's exit code.
    virtual int ExitInstance();

    // Asks for the three-dimensional look of the standard controls.
    BOOL Enable3dControls();

    // The standard Help handler: opens the application's help file at its contents.
    void OnHelp();
    // Asks the system's help program to open the application's help file.
    virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = HELP_CONTEXT);

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const char* m_pszAppName = nullptr;
    const char* m_pszHelpFilePath = nullptr;

protected:
    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    friend CWinApp* AfxGetApp();
    void SetNamesFromModule();

    static CWinApp* s_pThisApp;
    const char* m_pszGivenName;
    char m_szModuleName[MAX_PATH] = {};
    char m_szHelpFile[MAX_PATH] = {};
    int m_nExitCode = 0;
};

// The application object, or null in a program that has none (the tests).
CWinApp* AfxGetApp();

// Lets the application's dialogs host ActiveX controls.
void AfxEnableControlContainer();

// The framework's start-up, called by the process entry.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
