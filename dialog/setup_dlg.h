// The setup dialog: loads the settings when it is constructed, shows them when it
// opens (and says so when a settings file is there that could not be read), checks
// and saves them on OK, drops them on "Annuler", and draws the program's icon while
// minimized.
#pragma once

#include <windows.h>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "res/resource.h"
#include "settings/settings_record.h"
#include "settings/setup_values.h"

class CSetupDlg : public CDialog {
public:
    enum { IDD = IDD_SETUP_DIALOG };

    explicit CSetupDlg(CWnd* pParent = nullptr);
    ~CSetupDlg() override;

    // Paints a client area of this size as while minimized: the icon's background
    // erased (WM_ICONERASEBKGND), then the icon centred.
    void PaintMinimized(HDC hDC, const RECT& rcClient) const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnReportUnreadSettings();

    DECLARE_MESSAGE_MAP()

private:
    SettingsRecord m_record;        // as read at construction; the sliders start from it
    bool m_bFileLoaded;             // the settings file could be opened, whatever its version
    CSliderCtrl m_sliderWorkerRatio;
    CSliderCtrl m_sliderSpeed;
    CComboBox m_comboColorDepth;
    SetupValues m_values;           // m_nHeight ... m_nClans, in transfer order
    HICON m_hIcon;
    CFileException m_loadError;     // why a settings file that is there could not be read
    bool m_bReportPending;          // that is yet to be told
};
