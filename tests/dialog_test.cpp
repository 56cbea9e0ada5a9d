// The setup dialog's behaviour, run modally in this process on Wine's real controls:
// what it shows for each settings file, what OK writes, what "Annuler" leaves, how a
// refused entry or a failed save is handled, and the icon while minimized.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <oleacc.h>

#include <cstring>
#include <memory>
#include <new>

#include "app/setup_app.h"
#include "dialog/setup_dlg.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "settings/setup_values.h"
#include "support/modal_run.h"
#include "support/drive_c.h"
#include "support/watchdog.h"

namespace {

using namespace dialog_driver;
using namespace testing_drive_c;

SettingsRecord SavedRecord()
{
    const Bytes bytes = ReadBytes(kSettings);
    EXPECT_EQ(bytes.size(), 72u);
    RecordBytes b{};
    std::memcpy(b.data(), bytes.data(), bytes.size() < 72 ? bytes.size() : 72);
    return DecodeRecord(b);
}

// Everything the dialog shows, in transfer order: the edits' texts, the list's
// selection, the box (0 or 1), then the speed and worker sliders after a slash.
std::string Shown(HWND h)
{
    std::string shown;
    for (int id : {IDC_EDIT_HEIGHT, IDC_EDIT_WIDTH, IDC_EDIT_WORKERS, IDC_EDIT_SENTINELS, IDC_EDIT_CISTERNS,
                   IDC_COMBO_COLOR_DEPTH, IDC_EDIT_FOOD_DENSITY, IDC_EDIT_FOOD_PER_PACKET, IDC_CHECK_LOAD,
                   IDC_EDIT_BREED_INTERVAL, IDC_EDIT_ENEMY_BIRTH, IDC_EDIT_MAX_ENEMIES, IDC_EDIT_ENEMIES, IDC_EDIT_CLANS}) {
        if (id == IDC_COMBO_COLOR_DEPTH)
            shown += std::to_string(SendDlgItemMessageA(h, id, CB_GETCURSEL, 0, 0)) + " ";
        else if (id == IDC_CHECK_LOAD)
            shown += std::to_string(SendDlgItemMessageA(h, id, BM_GETCHECK, 0, 0)) + " ";
        else
            shown += ItemText(h, id) + " ";
    }
    return shown + "/ " + std::to_string(SendDlgItemMessageA(h, IDC_SLIDER_SPEED, TBM_GETPOS, 0, 0)) + " " +
           std::to_string(SendDlgItemMessageA(h, IDC_SLIDER_WORKER_RATIO, TBM_GETPOS, 0, 0));
}

SettingsRecord ValidRecord()
{
    SettingsRecord r = DefaultRecord();
    r.height = 300;
    r.width = 200;
    r.bitsPerPixel = 16;
    r.speed = 4;
    r.workerRatio = 60;
    r.clans = 7;
    r.loadFlag = 1;
    return r;
}

class SetupDialog : public ::testing::Test {
protected:
    CleanDriveC m_drive;
};

// Opening the dialog on each kind of file, then OK without a change.
TEST_F(SetupDialog, ShowsTheFileAndOkWritesWhatItShowed)
{
    const struct {
        const char* name;
        bool file;
        std::function<void(SettingsRecord&)> edit;  // on ValidRecord()
        const char* shown;
        std::function<void(SettingsRecord&)> saved;  // on DefaultRecord()
    } cases[] = {
        {"no file", false, nullptr, "100 100 50 10 20 0 3 1500 0 1200 0 20 20 3 / 1 75", [](SettingsRecord&) {}},
        {"typical file", true, [](SettingsRecord&) {},
         "300 200 50 10 20 1 3 1500 0 1200 0 20 20 7 / 4 60",
         [](SettingsRecord& r) { r.height = 300; r.width = 200; r.bitsPerPixel = 16; r.speed = 4; r.workerRatio = 60; r.clans = 7; }},
        {"version 7 keeps the values but not the sliders", true, [](SettingsRecord& r) { r.version = 7; r.speed = 5; r.workerRatio = 40; },
         "100 100 50 10 20 0 3 1500 0 1200 0 20 20 3 / 5 40",
         [](SettingsRecord& r) { r.speed = 5; r.workerRatio = 40; }},
        {"sliders below their range", true, [](SettingsRecord& r) { r.speed = 0; r.workerRatio = 0; },
         "300 200 50 10 20 1 3 1500 0 1200 0 20 20 7 / 1 1",
         [](SettingsRecord& r) { r.height = 300; r.width = 200; r.bitsPerPixel = 16; r.speed = 1; r.workerRatio = 1; r.clans = 7; }},
        {"sliders above their range", true, [](SettingsRecord& r) { r.speed = 25; r.workerRatio = 500; },
         "300 200 50 10 20 1 3 1500 0 1200 0 20 20 7 / 10 100",
         [](SettingsRecord& r) { r.height = 300; r.width = 200; r.bitsPerPixel = 16; r.speed = 10; r.workerRatio = 100; r.clans = 7; }},
        {"depth 32: no entry, saved as 0; height 20 stays 20", true, [](SettingsRecord& r) { r.bitsPerPixel = 32; r.height = 20; r.width = 21; },
         "20 21 50 10 20 -1 3 1500 0 1200 0 20 20 7 / 4 60",
         [](SettingsRecord& r) { r.height = 20; r.width = 21; r.bitsPerPixel = 0; r.speed = 4; r.workerRatio = 60; r.clans = 7; }},
        {"depth 12 shows 8 and saves 8; negatives as they are", true,
         [](SettingsRecord& r) { r.bitsPerPixel = 12; r.workers = -5; r.enemyBirthInterval = -1; },
         "300 200 -5 10 20 0 3 1500 0 1200 -1 20 20 7 / 4 60",
         [](SettingsRecord& r) { r.height = 300; r.width = 200; r.workers = -5; r.enemyBirthInterval = -1; r.speed = 4; r.workerRatio = 60; r.clans = 7; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC::Clear();
        if (c.file) {
            SettingsRecord r = ValidRecord();
            c.edit(r);
            Bytes bytes = Encoded(r);
            std::memset(&bytes[16], 0xAA, 8);   // reserved bytes the dialog must not carry over
            WriteBytes(kSettings, bytes);
        }
        CSetupDlg dlg;
        const Outcome out = RunModal(dlg, {
            [&](HWND h) {
                EXPECT_EQ(Shown(h), c.shown);
                EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, IDOK)) << "the focus starts on OK";
                Click(h, IDOK);
            },
        });
        EXPECT_EQ(out.result, IDOK);
        EXPECT_TRUE(out.messages.empty());
        SettingsRecord expected = DefaultRecord();
        c.saved(expected);
        EXPECT_EQ(ReadBytes(kSettings), Encoded(expected));
    }
}

TEST_F(SetupDialog, TypicalRunSavedWithEnter)
{
    WriteBytes(kSettings, Encoded(ValidRecord()));
    CSetupDlg dlg;
    const Outcome out = RunModal(dlg, {
        [](HWND h) {
            SetItemText(h, IDC_EDIT_CLANS, "5");
            SetItemText(h, IDC_EDIT_WORKERS, "  -12 ");
            SendDlgItemMessageA(h, IDC_COMBO_COLOR_DEPTH, CB_SETCURSEL, 2, 0);
            SendDlgItemMessageA(h, IDC_CHECK_LOAD, BM_SETCHECK, BST_CHECKED, 0);
            SendDlgItemMessageA(h, IDC_SLIDER_SPEED, TBM_SETPOS, TRUE, 9);
            SendDlgItemMessageA(h, IDC_SLIDER_WORKER_RATIO, TBM_SETPOS, TRUE, 33);
            ::SetFocus(::GetDlgItem(h, IDC_EDIT_CLANS));
        },
        [](HWND) { PressKey(VK_RETURN); },     // Enter is the default button, OK
    });
    EXPECT_EQ(out.result, IDOK);
    const SettingsRecord r = SavedRecord();
    EXPECT_EQ(r.version, 3);
    EXPECT_EQ(r.height, 300);
    EXPECT_EQ(r.clans, 5);
    EXPECT_EQ(r.workers, -12);
    EXPECT_EQ(r.bitsPerPixel, 24);
    EXPECT_EQ(r.loadFlag, 1);
    EXPECT_EQ(r.speed, 9);
    EXPECT_EQ(r.workerRatio, 33);
}

// Every way of leaving without OK, with and without a file: nothing is written.
TEST_F(SetupDialog, CancelLeavesTheFileAsItWas)
{
    const struct { const char* name; std::function<void(HWND)> leave; } ways[] = {
        {"Annuler", [](HWND h) { Click(h, IDCANCEL); }},
        {"Esc", [](HWND) { PressKey(VK_ESCAPE); }},
        {"close box", [](HWND h) { ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const bool withFile : {false, true}) {
        for (const auto& way : ways) {
            SCOPED_TRACE(std::string(way.name) + (withFile ? ", with a file" : ", without a file"));
            CleanDriveC::Clear();
            Bytes original = Encoded(ValidRecord());
            original.resize(80, 0x5C);      // a longer file, byte for byte
            if (withFile)
                WriteBytes(kSettings, original);
            CSetupDlg dlg;
            const Outcome out = RunModal(dlg, {
                [](HWND h) {
                    SetItemText(h, IDC_EDIT_HEIGHT, "500");
                    SetItemText(h, IDC_EDIT_WIDTH, "abc");
                    ::SetFocus(::GetDlgItem(h, IDC_EDIT_HEIGHT));
                },
                way.leave,
            });
            EXPECT_EQ(out.result, IDCANCEL);
            EXPECT_TRUE(out.messages.empty());
            EXPECT_EQ(Exists(kSettings), withFile);
            if (withFile) {
                EXPECT_EQ(ReadBytes(kSettings), original);
            }
        }
    }
}

// A refused entry: the message, the focus on the field with its text selected and
// kept, nothing written, the dialog still open; the range's own boundary then goes
// through.
TEST_F(SetupDialog, RefusedEntriesAreShownAndNothingIsWritten)
{
    const wchar_t* const kInteger = L"Veuillez entrer un nombre entier.";
    const wchar_t* const kTerrain = L"Veuillez entrer un nombre entier compris entre 20 et 1\u00a0000.";
    const struct { int id; const char* text; const wchar_t* message; const char* accepted; } cases[] = {
        {IDC_EDIT_WIDTH, "abc", kInteger, "20"},
        {IDC_EDIT_WORKERS, "12abc", kInteger, "-5"},
        {IDC_EDIT_CISTERNS, "99999999999", kInteger, "2147483647"},
        {IDC_EDIT_CISTERNS, "2147483648", kInteger, "-2147483648"},
        {IDC_EDIT_ENEMIES, "", kInteger, "-1"},
        {IDC_EDIT_SENTINELS, "5                                                                      ", kInteger, "5"},
        {IDC_EDIT_HEIGHT, "1001", kTerrain, "1000"},
        {IDC_EDIT_HEIGHT, "19", kTerrain, "20"},
        {IDC_EDIT_WIDTH, "1001", kTerrain, "1000"},
        {IDC_EDIT_WIDTH, "19", kTerrain, "20"},
        {IDC_EDIT_FOOD_DENSITY, "-1", L"Veuillez entrer un nombre entier compris entre 0 et 100.", "0"},
        {IDC_EDIT_FOOD_DENSITY, "101", L"Veuillez entrer un nombre entier compris entre 0 et 100.", "100"},
        {IDC_EDIT_FOOD_PER_PACKET, "10001", L"Veuillez entrer un nombre entier compris entre 0 et 10\u00a0000.", "10000"},
        {IDC_EDIT_FOOD_PER_PACKET, "-1", L"Veuillez entrer un nombre entier compris entre 0 et 10\u00a0000.", "0"},
        {IDC_EDIT_BREED_INTERVAL, "100001", L"Veuillez entrer un nombre entier compris entre 0 et 100\u00a0000.", "100000"},
        {IDC_EDIT_BREED_INTERVAL, "-1", L"Veuillez entrer un nombre entier compris entre 0 et 100\u00a0000.", "0"},
        {IDC_EDIT_CLANS, "256", L"Veuillez entrer un nombre entier compris entre 0 et 255.", "255"},
        {IDC_EDIT_CLANS, "-1", L"Veuillez entrer un nombre entier compris entre 0 et 255.", "0"},
    };
    const Bytes original = Encoded(ValidRecord());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " \"" + c.text + "\"");
        CleanDriveC::Clear();
        WriteBytes(kSettings, original);
        CSetupDlg dlg;
        const Outcome out = RunModal(dlg, {
            [&](HWND h) {
                SetItemText(h, c.id, c.text);
                Click(h, IDOK);
            },
            [&](HWND h) {
                EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, c.id)) << "the focus is not on the refused field";
                EXPECT_EQ(ItemText(h, c.id), c.text);
                DWORD start = 1, end = 0;
                SendDlgItemMessageA(h, c.id, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                EXPECT_EQ(start, 0u) << "the refused text is not all selected, to be typed over";
                EXPECT_EQ(end, std::strlen(c.text)) << "the refused text is not all selected, to be typed over";
                EXPECT_EQ(ReadBytes(kSettings), original) << "nothing written while the dialog is open";
                SetItemText(h, c.id, c.accepted);
                Click(h, IDOK);
            },
        });
        ASSERT_EQ(out.messages.size(), 1u);
        EXPECT_EQ(out.messages[0], c.message);
        EXPECT_EQ(out.result, IDOK) << "\"" << c.accepted << "\" is refused";
        EXPECT_FALSE(out.timedOut);
    }
}

// A save that fails: the error names the file, the dialog stays open, the old file
// is untouched; once the user has done what it says, OK saves.
TEST_F(SetupDialog, AFailedSaveKeepsTheDialogOpenAndTheFileIntact)
{
    const Bytes original = Encoded(ValidRecord());
    enum Cause { kReadOnly, kHeld, kSecondName };
    const struct { const char* name; Cause cause; const wchar_t* message; } cases[] = {
        {"read-only file", kReadOnly, L"L'accès au fichier C:\\korvane.ini a été refusé."},
        {"file held open without sharing", kHeld, L"Le fichier C:\\korvane.ini est utilisé par un autre programme."},
        {"file with a second name", kSecondName,
         L"Le fichier C:\\korvane.ini porte aussi un autre nom sur le disque (un lien physique)\u00a0: y écrire "
         L"modifierait en même temps le fichier de cet autre nom. Rien n'y a été écrit. Supprimez C:\\korvane.ini "
         L"(le fichier de l'autre nom restera tel qu'il est), puis réessayez."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC::Clear();
        WriteBytes(kSettings, original);
        if (c.cause == kReadOnly)
            SetReadOnly(kSettings, true);
        if (c.cause == kSecondName) {
            ASSERT_TRUE(CreateHardLinkW(kOther, kSettings, nullptr));
        }
        std::unique_ptr<HeldOpen> held;
        CSetupDlg dlg;
        const Outcome out = RunModal(dlg, {
            [&](HWND h) {
                if (c.cause == kHeld)
                    held = std::make_unique<HeldOpen>(kSettings);   // once the dialog has read it
                SetItemText(h, IDC_EDIT_CLANS, "9");
                Click(h, IDOK);
            },
            [&](HWND h) {
                EXPECT_EQ(ItemText(h, IDC_EDIT_CLANS), "9");
                held.reset();
                SetReadOnly(kSettings, false);
                EXPECT_EQ(ReadBytes(kSettings), original);
                if (c.cause == kSecondName) {
                    EXPECT_EQ(ReadBytes(kOther), original);
                    DeleteFileW(kSettings);
                }
                Click(h, IDOK);
            },
        });
        ASSERT_EQ(out.messages.size(), 1u);
        EXPECT_EQ(out.messages[0].find(c.message), 0u) << std::string(out.messages[0].begin(), out.messages[0].end());
        EXPECT_EQ(out.result, IDOK);
        EXPECT_EQ(SavedRecord().clans, 9);
        if (c.cause == kSecondName) {
            EXPECT_EQ(ReadBytes(kOther), original) << "the other name's file was written";
        }
    }
}

// F1, wherever the focus is, and the Help command reach the application's Help
// handler, which says in a box over the dialog that there is no help; the dialog
// goes on.
TEST_F(SetupDialog, F1AndTheHelpCommandSayThereIsNoHelp)
{
    CSetupDlg dlg;
    ASSERT_NE(AfxGetApp(), nullptr);
    AfxGetApp()->m_pMainWnd = &dlg;
    const Outcome out = RunModal(dlg, {
        [](HWND h) {
            ::SetFocus(::GetDlgItem(h, IDC_EDIT_WIDTH));
            TypeKey(VK_F1);
        },
        [](HWND h) { Click(h, ID_HELP); },
        [](HWND h) { Click(h, IDCANCEL); },
    });
    EXPECT_EQ(out.result, IDCANCEL);
    const std::wstring help = L"Aucune aide n'est disponible pour ce programme.";
    EXPECT_EQ(out.messages, std::vector<std::wstring>({help, help}));
}

// A settings file that is there but cannot be read: the dialog shows the defaults
// and says so once, naming the file and why; "Annuler" leaves it as it was.
TEST_F(SetupDialog, AnUnreadableFileIsNeverReplacedInSilence)
{
    const Bytes original = Encoded(ValidRecord());
    const struct { const char* name; bool folder; const wchar_t* cause; } cases[] = {
        {"held open without sharing", false, L"Le fichier C:\\korvane.ini est utilisé par un autre programme."},
        {"a folder at its name", true, L"L'accès au fichier C:\\korvane.ini a été refusé."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC::Clear();
        std::unique_ptr<HeldOpen> held;
        if (c.folder) {
            MakeDirectory(kSettings);
        } else {
            WriteBytes(kSettings, original);
            held = std::make_unique<HeldOpen>(kSettings);
        }
        CSetupDlg dlg;
        const Outcome out = RunModal(dlg, {
            [](HWND h) {
                EXPECT_EQ(Shown(h), "100 100 50 10 20 0 3 1500 0 1200 0 20 20 3 / 1 75");
                Click(h, IDCANCEL);
            },
        });
        held.reset();
        EXPECT_EQ(out.result, IDCANCEL);
        ASSERT_EQ(out.messages.size(), 1u);
        const std::wstring& text = out.messages[0];
        for (const wchar_t* part : {L"Les réglages enregistrés n'ont pas pu être lus.", c.cause,
                                    L"Les valeurs affichées sont les valeurs par défaut. OK essaiera de les "
                                    L"enregistrer à la place du fichier\u00a0; «\u00a0Annuler\u00a0» le laissera "
                                    L"tel qu'il est."})
            EXPECT_NE(text.find(part), std::wstring::npos) << "no \"" << part << "\" in \"" << text << "\"";
        if (c.folder) {
            EXPECT_TRUE(fs::is_directory(fs::path(kSettings)));
        } else {
            EXPECT_EQ(ReadBytes(kSettings), original);
        }
    }
}

// A command already queued when the dialog opens (automation, a double start) comes
// before the report of unread settings: an OK shows the report first and saves
// nothing; "Annuler" needs no report.
class CQueuedCommandDlg : public CSetupDlg {
public:
    explicit CQueuedCommandDlg(int command) : m_nCommand(command) {}

protected:
    BOOL OnInitDialog() override
    {
        PostMessage(WM_COMMAND, MAKEWPARAM(m_nCommand, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_nCommand)));
        return CSetupDlg::OnInitDialog();
    }

private:
    int m_nCommand;
};

TEST_F(SetupDialog, TheReportComesBeforeAQueuedCommand)
{
    const Bytes original = Encoded(ValidRecord());
    for (const int command : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(command == IDOK ? "OK" : "Annuler");
        CleanDriveC::Clear();
        MakeDirectory(kSettings);   // there, and unreadable
        CQueuedCommandDlg dlg(command);
        const Outcome out = RunModal(dlg, {[](HWND h) { Click(h, IDCANCEL); }});
        EXPECT_EQ(out.result, IDCANCEL) << "the queued OK ended the dialog";
        ASSERT_EQ(out.messages.size(), command == IDOK ? 1u : 0u);
        if (command == IDOK) {
            EXPECT_EQ(out.messages[0].find(L"Les réglages enregistrés n'ont pas pu être lus."), 0u);
        }
        EXPECT_TRUE(fs::is_directory(fs::path(kSettings))) << "something was saved";
        CleanDriveC::Clear();
    }
}

// A dialog whose drag-icon handler returns a value after showing a message box
// (whose loop hands the dialog its paint and other messages) and then running a
// command that leaves itself to the default processing.
class CNestingDlg : public CDialog {
public:
    CNestingDlg() : CDialog(IDD_SETUP_DIALOG) {}
    int m_nCommands = 0;

protected:
    void OnLoadBox()
    {
        ++m_nCommands;
        Default();
    }
    HCURSOR OnQueryDragIcon()
    {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        ::MessageBoxW(m_hWnd, L"Un instant.", L"", MB_OK);
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHECK_LOAD, BN_CLICKED), 0);
        return ::LoadCursorA(nullptr, IDC_ARROW);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNestingDlg, CDialog)
    ON_COMMAND(IDC_CHECK_LOAD, CNestingDlg::OnLoadBox)
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

// What is decided about a message handled underneath another one is its own: the
// handler outside still gets its result back.
TEST_F(SetupDialog, AResultOutlivesTheMessagesHandledUnderneathIt)
{
    CNestingDlg dlg;
    const Outcome out = RunModal(dlg, {
        [&](HWND h) {
            EXPECT_EQ(SendMessageW(h, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(::LoadCursorA(nullptr, IDC_ARROW)));
            EXPECT_EQ(dlg.m_nCommands, 1);
            Click(h, IDCANCEL);
        },
    });
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_EQ(out.result, IDCANCEL);
}

// The object that names a field for screen readers keeps COM's rule of identity:
// every face it hands out gives back one IUnknown, and its window is the field.
TEST_F(SetupDialog, TheNamingObjectIsOneObject)
{
    CSetupDlg dlg;
    const Outcome out = RunModal(dlg, {
        [](HWND h) {
            HWND field = ::GetDlgItem(h, IDC_EDIT_HEIGHT);
            IAccessible* accessible = nullptr;
            ASSERT_EQ(AccessibleObjectFromWindow(field, OBJID_CLIENT, __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&accessible)), S_OK);
            IOleWindow* window = nullptr;
            ASSERT_EQ(accessible->QueryInterface(__uuidof(IOleWindow), reinterpret_cast<void**>(&window)), S_OK);
            IUnknown* identity[2] = {};
            accessible->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&identity[0]));
            window->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&identity[1]));
            EXPECT_EQ(identity[0], identity[1]);
            HWND hwnd = nullptr;
            EXPECT_EQ(window->GetWindow(&hwnd), S_OK);
            EXPECT_EQ(hwnd, field);
            for (IUnknown* p : {static_cast<IUnknown*>(accessible), static_cast<IUnknown*>(window), identity[0], identity[1]})
                if (p != nullptr)
                    p->Release();
            Click(h, IDCANCEL);
        },
    });
    EXPECT_EQ(out.result, IDCANCEL);
}

// The object itself, as a screen reader names it to the object's methods.
VARIANT Self()
{
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

// The name a screen reader reads for a control, asked as one asks: through the
// control's answer to WM_GETOBJECT; an empty name when there is no object.
std::wstring NameOf(HWND control)
{
    IAccessible* object = nullptr;
    if (AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object)) != S_OK)
        return L"";
    BSTR name = nullptr;
    object->get_accName(Self(), &name);
    const std::wstring text = name != nullptr ? name : L"";
    SysFreeString(name);
    object->Release();
    return text;
}

// This thread's COM apartment: S_OK with a single-threaded one, CO_E_NOTINITIALIZED
// without any.
HRESULT ApartmentOf()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    const HRESULT hr = CoGetApartmentType(&type, &qualifier);
    return FAILED(hr) || type == APTTYPE_STA || type == APTTYPE_MAINSTA ? hr : S_FALSE;
}

// What the program's thread finds of its apartment before, while and after a
// screen reader is served, and the name it read.
struct Apartments {
    HRESULT before = S_OK, during = E_FAIL, after = S_OK;
    std::wstring name;
};

DWORD WINAPI RunTheProgramWithoutInputMethod(void* p)
{
    Apartments& seen = *static_cast<Apartments*>(p);
    ImmDisableIME(0);
    struct {
        INT_PTR DoModal() { return AfxWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL); }
    } program;
    RunModal(program, {[&](HWND h) {
        seen.before = ApartmentOf();
        seen.name = NameOf(GetDlgItem(h, IDC_SLIDER_SPEED));
        seen.during = ApartmentOf();
        Click(h, IDCANCEL);
    }});
    seen.after = ApartmentOf();
    return 0;
}

// The program's start-up on a thread of its own whose input method is off before
// its first window (Wine's input method, like Windows' advanced text services,
// would otherwise put the thread in an apartment of its own): a screen reader's
// request is answered all the same, from an apartment that the program starts
// itself, and ends once it has.
TEST_F(SetupDialog, TheNamesComeFromAnApartmentOfTheProgramsOwn)
{
    Apartments seen;
    HANDLE thread = CreateThread(nullptr, 0, RunTheProgramWithoutInputMethod, &seen, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // (This thread's windows answer meanwhile.)
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&msg);
    CloseHandle(thread);
    ASSERT_EQ(seen.before, CO_E_NOTINITIALIZED) << "the dialog's thread had an apartment already: nothing is shown";
    EXPECT_EQ(seen.name, L"vitesse");
    EXPECT_EQ(seen.during, S_OK) << "no single-threaded apartment while a screen reader is served";
    EXPECT_EQ(seen.after, CO_E_NOTINITIALIZED) << "the apartment outlived the program";
}

// A screen reader's helper inside this process may keep the object it was given
// after the dialog is gone, and the dialog's memory used again: the object then
// says that it is no longer connected, and releasing it does no harm.
TEST_F(SetupDialog, ANamingObjectHeldPastItsDialogSaysItIsGone)
{
    alignas(CSetupDlg) unsigned char memory[sizeof(CSetupDlg)];
    auto* dlg = new (memory) CSetupDlg;
    IAccessible* held = nullptr;
    const Outcome out = RunModal(*dlg, {[&](HWND h) {
        AccessibleObjectFromWindow(GetDlgItem(h, IDC_EDIT_WORKERS), OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&held));
        Click(h, IDCANCEL);
    }});
    dlg->~CSetupDlg();
    std::memset(memory, 0xCC, sizeof memory);
    ASSERT_NE(held, nullptr);
    BSTR name = nullptr;
    EXPECT_EQ(held->get_accName(Self(), &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(name, nullptr);
    held->Release();
    EXPECT_EQ(out.result, IDCANCEL);
}

// When the system's colours change (High Contrast turned on), every control of the
// dialog hears of it: the system tells only top-level windows, and the common
// controls (the sliders) keep copies of the colours they paint with.
LRESULT CALLBACK CountColourChanges(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOLORCHANGE)
        SetPropW(h, L"korvane.heard", reinterpret_cast<HANDLE>(1));
    return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(h, L"korvane.proc")), h, message, wParam, lParam);
}

TEST_F(SetupDialog, EveryControlHearsThatTheColoursChanged)
{
    CSetupDlg dlg;
    std::string unaware;
    const Outcome out = RunModal(dlg, {[&](HWND h) {
        for (HWND c = GetWindow(h, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
            SetPropW(c, L"korvane.proc", reinterpret_cast<HANDLE>(SetWindowLongPtrW(c, GWLP_WNDPROC,
                                                                  reinterpret_cast<LONG_PTR>(CountColourChanges))));
        const int element = COLOR_BTNFACE;
        const COLORREF colour = GetSysColor(element);
        SetSysColors(1, &element, &colour);     // a change, to the colour it was
        for (HWND c = GetWindow(h, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            if (RemovePropW(c, L"korvane.heard") == nullptr)
                unaware += std::to_string(GetDlgCtrlID(c)) + " ";
            SetWindowLongPtrW(c, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RemovePropW(c, L"korvane.proc")));
        }
        Click(h, IDCANCEL);
    }});
    EXPECT_EQ(unaware, "") << "controls that did not hear of the change, by id";
    EXPECT_EQ(out.result, IDCANCEL);
}

// What WM_ICONERASEBKGND does to the dialog's DC here: the whole bitmap in one
// colour, so that a test sees the erase under the icon.
WNDPROC g_dialogProc = nullptr;
LRESULT CALLBACK EraseInRed(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_ICONERASEBKGND)
        return CallWindowProcW(g_dialogProc, h, message, wParam, lParam);
    const RECT everywhere = {-1000, -1000, 1000, 1000};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(reinterpret_cast<HDC>(wParam), &everywhere, red);
    DeleteObject(red);
    return 1;
}

// While minimized the dialog erases the icon's background, then draws its icon
// centred: (client - icon + 1) / 2, truncated toward zero. Wine gives a minimized
// window no client area and no WM_PAINT, so the painting is checked in a bitmap of
// each size, against the icon drawn over the erased background.
TEST_F(SetupDialog, MinimizedIconIsDrawnAtTheCentreOverItsBackground)
{
    CSetupDlg dlg;
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_ICON));
    ASSERT_NE(icon, nullptr);
    const COLORREF erased = RGB(255, 0, 0);
    HDC screen = GetDC(nullptr);
    HDC ref = CreateCompatibleDC(screen);
    HBITMAP refBitmap = CreateCompatibleBitmap(screen, cx, cy);
    SelectObject(ref, refBitmap);
    const RECT all = {0, 0, cx, cy};
    HBRUSH red = CreateSolidBrush(erased);
    FillRect(ref, &all, red);
    DeleteObject(red);
    DrawIcon(ref, 0, 0, icon);

    const struct { int width, height, x, y; } cases[] = {
        {100, 80, 34, 24}, {33, 33, 1, 1}, {32, 32, 0, 0}, {37, 40, 3, 4}, {0, 0, -15, -15}, {10, 31, -10, 0},
    };
    const Outcome out = RunModal(dlg, {
        [&](HWND h) {
            g_dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EraseInRed)));
            for (const auto& c : cases) {
                SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
                const int w = c.width + 64, hh = c.height + 64;   // room around the client area
                HDC dc = CreateCompatibleDC(screen);
                HBITMAP bitmap = CreateCompatibleBitmap(screen, w, hh);
                SelectObject(dc, bitmap);
                const RECT whole = {0, 0, w, hh};
                FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
                SetViewportOrgEx(dc, 32, 32, nullptr);       // the client area starts at (32, 32)
                dlg.PaintMinimized(dc, RECT{0, 0, c.width, c.height});
                SetViewportOrgEx(dc, 0, 0, nullptr);
                int differences = 0;
                for (int y = 0; y < hh; ++y)
                    for (int x = 0; x < w; ++x) {
                        const int ix = x - 32 - c.x, iy = y - 32 - c.y;
                        const COLORREF want = (ix >= 0 && iy >= 0 && ix < cx && iy < cy) ? GetPixel(ref, ix, iy) : erased;
                        differences += GetPixel(dc, x, y) != want;
                    }
                EXPECT_EQ(differences, 0) << "not the icon over its erased background";
                DeleteDC(dc);
                DeleteObject(bitmap);
            }
            SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_dialogProc));
            // The same icon is the window's, and the drag icon while minimized.
            EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(h, WM_QUERYDRAGICON, 0, 0)), icon);
            EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(h, WM_GETICON, ICON_BIG, 0)), icon);
            EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(h, WM_GETICON, ICON_SMALL, 0)), icon);
            ShowWindow(h, SW_MINIMIZE);
            EXPECT_TRUE(IsIconic(h));
            UpdateWindow(h);
            SendMessageA(h, WM_PAINT, 0, 0);    // paints through the minimized branch without harm
            Click(h, IDCANCEL);
        },
    });
    EXPECT_EQ(out.result, IDCANCEL);
    DeleteDC(ref);
    DeleteObject(refBitmap);
    ReleaseDC(nullptr, screen);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!AfxInitCommonControls(ICC_BAR_CLASSES)) {
        fprintf(stderr, "the common controls could not be loaded\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    testing_watchdog::Install(20000);
    return RUN_ALL_TESTS();
}
