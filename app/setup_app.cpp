#include "app/setup_app.h"

#include "dialog/setup_dlg.h"

// The one application object, for the whole life of the process.
CSetupApp theApp;

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CSetupApp::CSetupApp() = default;   // no name: the executable's is used

CSetupApp::~CSetupApp() = default;

BOOL CSetupApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControls();

    {
        CSetupDlg dlg;              // reads the settings file
        m_pMainWnd = &dlg;
        dlg.DoModal();              // OK has already saved; both ends go on the same way
    }

    // No message loop: the program ends here.
    return FALSE;
}
