// CWinApp and the start-up: the one application object, which the platform layer finds
// through the pointer it registers at construction, and AfxWinMain, which the
// process entry calls.
#pragma once

#include <windows.h>

#include "platform/accessible_name.h"
#include "platform/wnd.h"

#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
public:
    // With no name, the name is the executable's, without its folder and extension.
    explicit CWinApp(const wchar_t* pszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once at start-up. The program is its dialogs: it ends when this
    // returns (FALSE, as a program without a message loop says), with exit code 0.
    virtual BOOL InitInstance() = 0;

    // Asks for the three-dimensional look of the standard controls.
    BOOL Enable3dControls();

    // The standard Help handler. No help file comes with a program of this
    // layer: it says so in a message box owned by the main window, and starts
    // and opens nothing (the system's help viewer would be started by its bare
    // name, which Windows looks for in the program's own folder first).
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_pszAppName = nullptr;

protected:
    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    friend CWinApp* AfxGetApp();
    friend BOOL AfxOleInit();
    friend class CAccessibleName;
    void SetNamesFromModule();

    static CWinApp* s_pThisApp;
    const wchar_t* m_pszGivenName;
    wchar_t m_szModuleName[MAX_PATH] = {};
    DWORD m_nOleThreadId = 0;                   // where AfxOleInit started COM
    CAccessibleName m_accessibleNames[16];      // the screen readers' names of a dialog's controls
};

// The application object, or null in a program that has none (the tests).
CWinApp* AfxGetApp();

// Lets the application's dialogs host ActiveX controls.
void AfxEnableControlContainer();

// Starts COM on this thread, in a single-threaded apartment, once: marshalling an
// object to a client (a screen reader) needs one, and the system promises none
// (where it started one already, this holds it too). Loaded and started only when
// first asked; AfxWinMain ends it once the application has ended. FALSE when COM
// cannot start; a thread in a multithreaded apartment serves as it is.
BOOL AfxOleInit();

// From now on this process loads DLLs from the system folder only, never from the
// folder it was started from. FALSE where the system cannot restrict the search
// (a Windows 7 or Vista without the update that brought it): there only the current
// folder is taken out of it.
BOOL AfxRestrictDllSearch();

// Loads a DLL of the system folder by its full path: the program runs as
// administrator and loads nothing by a bare name. Null, with the system's error
// set, when it cannot; a DLL loaded so stays loaded.
HMODULE AfxLoadSystemLibrary(const wchar_t* pszName);

// A function of a loaded DLL, typed as its declaration: AFX_GET_PROC(hModule, Name);
// null when the DLL or the function is missing. Nothing is imported for it.
template <class Function>
Function AfxGetProc(HMODULE hModule, const char* pszName)
{
    return hModule != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)))
                              : nullptr;
}
#define AFX_GET_PROC(hModule, name) AfxGetProc<decltype(&::name)>(hModule, #name)

// Loads the common controls from the system folder and registers the window classes
// that dwICC names (ICC_ flags); FALSE with the system's error set when it cannot.
BOOL AfxInitCommonControls(DWORD dwICC);

// The platform layer's start-up, called by the process entry.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
