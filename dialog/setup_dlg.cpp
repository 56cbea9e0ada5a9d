#include "dialog/setup_dlg.h"

#include <iterator>

#include "platform/text_builder.h"
#include "settings/settings_file.h"

namespace {

// Posted once the dialog is up, so that the message about the settings file shows
// over the values it speaks of.
constexpr UINT WM_REPORT_UNREAD_SETTINGS = WM_APP + 1;

}  // namespace

BEGIN_MESSAGE_MAP(CSetupDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_MESSAGE_VOID(WM_REPORT_UNREAD_SETTINGS, CSetupDlg::OnReportUnreadSettings)
END_MESSAGE_MAP()

CSetupDlg::CSetupDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_record(DefaultRecord()), m_bFileLoaded(false), m_values(), m_hIcon(nullptr),
      m_bFileUnreadable(false)
{
    SetDefaults(m_values);
    const LoadResult loaded = LoadSettings(m_record, &m_loadError);
    m_bFileLoaded = loaded == LoadResult::loaded;
    m_bFileUnreadable = loaded == LoadResult::unreadable;
    if (m_bFileLoaded)
        ApplyRecord(m_record, m_values);    // only a record of our version
    // The icon is the module's own resource, shared: it is never destroyed.
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP_ICON));
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SLIDER_WORKER_RATIO, m_sliderWorkerRatio);
    DDX_Control(pDX, IDC_SLIDER_SPEED, m_sliderSpeed);
    DDX_Control(pDX, IDC_COMBO_COLOR_DEPTH, m_comboColorDepth);
    for (const TransferRow& row : kTransferTable) {
        int& value = m_values.*row.member;
        switch (row.kind) {
        case TransferRow::kInteger:
            DDX_Text(pDX, row.controlId, value);
            if (row.hasRange)
                DDV_MinMaxInt(pDX, value, row.minValue, row.maxValue);
            break;
        case TransferRow::kListIndex:
            DDX_CBIndex(pDX, row.controlId, value);
            break;
        case TransferRow::kCheck:
            DDX_Check(pDX, row.controlId, value);
            break;
        }
    }
}

BOOL CSetupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();    // the list's entries, then the values

    m_sliderSpeed.SetRange(kSpeedMin, kSpeedMax, TRUE);
    m_sliderWorkerRatio.SetRange(kWorkerRatioMin, kWorkerRatioMax, TRUE);
    m_sliderWorkerRatio.SetTicFreq(kWorkerRatioTicFrequency);

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The sliders keep their positions in the file even when its version is not
    // ours; each control clamps what it is given into its range.
    if (m_bFileLoaded) {
        m_sliderWorkerRatio.SetPos(m_record.workerRatio);
        m_sliderSpeed.SetPos(m_record.speed);
    } else {
        m_sliderSpeed.SetPos(kSpeedWithoutFile);
        m_sliderWorkerRatio.SetPos(kWorkerRatioWithoutFile);
    }
    if (m_bFileUnreadable)
        PostMessage(WM_REPORT_UNREAD_SETTINGS);
    return TRUE;    // the focus goes to the first tab stop, OK
}

// Settings that exist but could not be read are never replaced in silence.
void CSetupDlg::OnReportUnreadSettings()
{
    wchar_t reason[768];
    m_loadError.GetErrorMessage(reason, std::size(reason));
    wchar_t text[1024];
    CTextBuilder(text, std::size(text))
        << L"Les réglages enregistrés n'ont pas pu être lus.\n\n" << reason
        << L"\n\nLes valeurs affichées sont les valeurs par défaut : OK remplacera le fichier par ces valeurs, "
           L"« Annuler » le laissera tel qu'il est.";
    MessageBox(text, MB_OK | MB_ICONWARNING);
}

void CSetupDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;     // the user has been told which field is wrong
    const int speed = m_sliderSpeed.GetPos();
    const int workerRatio = m_sliderWorkerRatio.GetPos();
    // A file error leaves this command here: it is shown and the dialog stays open.
    SaveSettings(BuildRecord(m_values, speed, workerRatio));
    UpdateData(FALSE);
    CDialog::OnOK();
}

void CSetupDlg::DrawMinimizedIcon(HDC hDC, const RECT& rcClient) const
{
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    const int x = (rcClient.right - rcClient.left - cxIcon + 1) / 2;
    const int y = (rcClient.bottom - rcClient.top - cyIcon + 1) / 2;
    ::DrawIcon(hDC, x, y, m_hIcon);
}

void CSetupDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rc;
    GetClientRect(&rc);
    DrawMinimizedIcon(dc.GetSafeHdc(), rc);
}

HCURSOR CSetupDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
