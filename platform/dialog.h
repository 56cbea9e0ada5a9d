// CDialog: a modal dialog made from a dialog template in the program's resources.
// DoModal runs DialogBoxParam with the object as its parameter; the dialog
// procedure keeps the object in the window's DWLP_USER slot from WM_INITDIALOG on
// and sends each message to a virtual operation or to the message map.
#pragma once

#include <windows.h>

#include "platform/data_exchange.h"
#include "platform/wnd.h"

class CDialog : public CWnd {
public:
    CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // IDOK or IDCANCEL as the dialog ended, or -1 when it could not be created.
    virtual INT_PTR DoModal();

    // Moves the values out of the controls with their checks (TRUE) or into them
    // (FALSE). FALSE when a check failed; the user has been told.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

protected:
    // Adds the template's initial list entries, shows the members in the controls.
    virtual BOOL OnInitDialog();
    // Takes the values out of the controls and ends with IDOK if they pass.
    virtual void OnOK();
    // Ends with IDCANCEL: "Annuler", Esc and the close box.
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    // Runs the template's initial control data: the resource of type 240 with the
    // template's id, entries of (control id, message, length, bytes) ended by 0.
    BOOL ExecuteDlgInit(UINT nIDTemplate);

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // True when the message was handled, with its result.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    bool RouteCommand(UINT nID, LRESULT* pResult);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

// The module whose resources hold the templates, icons and initial data.
HINSTANCE AfxGetResourceHandle();
