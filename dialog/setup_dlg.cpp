#include "dialog/setup_dlg.h"

#include <iterator>

#include "platform/accessible_name.h"
#include "platform/text.h"
#include "settings/settings_file.h"

namespace {

// Posted once the dialog is up, so that the message about the settings file shows
// over the values it speaks of.
constexpr UINT WM_REPORT_UNREAD_SETTINGS = WM_APP + 1;

// Each value control with a label of its own, and where that label stands in the
// template (1 is its first control). A screen reader on Windows names a control
// after the text just before it in that order, which the template does not follow;
// the check box names itself.
const struct {
    int controlId;
    int labelPosition;
} kLabels[] = {
    {IDC_EDIT_HEIGHT, 4},           // "Hauteur"
    {IDC_EDIT_WIDTH, 5},            // "Largeur"
    {IDC_EDIT_WORKERS, 8},          // "Ouvrières"
    {IDC_EDIT_SENTINELS, 10},       // "Sentinelles"
    {IDC_EDIT_CISTERNS, 12},        // "Citernes"
    {IDC_COMBO_COLOR_DEPTH, 7},     // "Bits par pixel"
    {IDC_EDIT_FOOD_DENSITY, 15},    // "Densité"
    {IDC_EDIT_FOOD_PER_PACKET, 20}, // "Quantité par paquet"
    {IDC_SLIDER_SPEED, 23},         // "vitesse"
    {IDC_EDIT_BREED_INTERVAL, 31},  // "Freq de reproduction en tours"
    {IDC_EDIT_ENEMIES, 33},         // "Nombre d'ennemis"
    {IDC_EDIT_MAX_ENEMIES, 34},     // "Max. ennemis"
    {IDC_EDIT_ENEMY_BIRTH, 35},     // "Freq. des naissances en tours"
    {IDC_SLIDER_WORKER_RATIO, 40},  // "Pourcentage d'ouvrier dans larves"
    {IDC_EDIT_CLANS, 45},           // "Nombre de Clans"
};

}  // namespace

BEGIN_MESSAGE_MAP(CSetupDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_MESSAGE_VOID(WM_REPORT_UNREAD_SETTINGS, CSetupDlg::OnReportUnreadSettings)
END_MESSAGE_MAP()

CSetupDlg::CSetupDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_record(DefaultRecord()), m_bFileLoaded(false), m_hIcon(nullptr),
      m_bReportPending(false)
{
    // m_values start at their defaults.
    const LoadResult loaded = LoadSettings(m_record, &m_loadError);
    m_bFileLoaded = loaded == LoadResult::loaded;
    m_bReportPending = loaded == LoadResult::unreadable;
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
    // The values in their transfer order, each range right after its value.
    SetupValues& v = m_values;
    DDX_Text(pDX, IDC_EDIT_HEIGHT, v.m_nHeight);
    DDV_MinMaxInt(pDX, v.m_nHeight, 20, 1000);
    DDX_Text(pDX, IDC_EDIT_WIDTH, v.m_nWidth);
    DDV_MinMaxInt(pDX, v.m_nWidth, 20, 1000);
    DDX_Text(pDX, IDC_EDIT_WORKERS, v.m_nWorkers);
    DDX_Text(pDX, IDC_EDIT_SENTINELS, v.m_nSentinels);
    DDX_Text(pDX, IDC_EDIT_CISTERNS, v.m_nCisterns);
    DDX_CBIndex(pDX, IDC_COMBO_COLOR_DEPTH, v.m_nColorDepthIndex);
    DDX_Text(pDX, IDC_EDIT_FOOD_DENSITY, v.m_nFoodDensity);
    DDV_MinMaxInt(pDX, v.m_nFoodDensity, 0, 100);
    DDX_Text(pDX, IDC_EDIT_FOOD_PER_PACKET, v.m_nFoodPerPacket);
    DDV_MinMaxInt(pDX, v.m_nFoodPerPacket, 0, 10000);
    DDX_Check(pDX, IDC_CHECK_LOAD, v.m_bLoadFlag);
    DDX_Text(pDX, IDC_EDIT_BREED_INTERVAL, v.m_nBreedInterval);
    DDV_MinMaxInt(pDX, v.m_nBreedInterval, 0, 100000);
    DDX_Text(pDX, IDC_EDIT_ENEMY_BIRTH, v.m_nEnemyBirthInterval);
    DDX_Text(pDX, IDC_EDIT_MAX_ENEMIES, v.m_nMaxEnemies);
    DDX_Text(pDX, IDC_EDIT_ENEMIES, v.m_nEnemies);
    DDX_Text(pDX, IDC_EDIT_CLANS, v.m_nClans);
    DDV_MinMaxInt(pDX, v.m_nClans, 0, 255);     // the record keeps one unsigned byte of clans
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
    for (const auto& label : kLabels)
        CAccessibleName::NameControl(GetDlgItem(label.controlId), label.labelPosition);

    if (m_bReportPending)
        PostMessage(WM_REPORT_UNREAD_SETTINGS);
    return TRUE;    // the focus goes to the first tab stop, OK
}

// Settings that exist but could not be read are never replaced in silence: the
// user is told once, before anything can be saved.
void CSetupDlg::OnReportUnreadSettings()
{
    if (!m_bReportPending)
        return;
    m_bReportPending = false;
    wchar_t reason[768];
    m_loadError.GetErrorMessage(reason, std::size(reason));
    wchar_t text[1024];
    AfxFormatText(text, std::size(text),
                  L"Les réglages enregistrés n'ont pas pu être lus.\n\n%ls\n\nLes valeurs affichées sont les "
                  L"valeurs par défaut. OK essaiera de les enregistrer à la place du fichier\u00a0; «\u00a0Annuler"
                  L"\u00a0» le laissera tel qu'il est.", reason);
    MessageBox(text, MB_OK | MB_ICONWARNING);
}

void CSetupDlg::OnOK()
{
    // An OK that came before the report (already queued when the dialog opened)
    // saves nothing: the report is shown first.
    if (m_bReportPending) {
        OnReportUnreadSettings();
        return;
    }
    if (!UpdateData(TRUE))
        return;     // the user has been told which field is wrong
    const int speed = m_sliderSpeed.GetPos();
    const int workerRatio = m_sliderWorkerRatio.GetPos();
    // A file error leaves this command here: it is shown and the dialog stays open.
    SaveSettings(BuildRecord(m_values, speed, workerRatio));
    UpdateData(FALSE);
    CDialog::OnOK();
}

void CSetupDlg::PaintMinimized(HDC hDC, const RECT& rcClient) const
{
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
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
    RECT rc;
    GetClientRect(&rc);
    PaintMinimized(dc.GetSafeHdc(), rc);
}

HCURSOR CSetupDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}
