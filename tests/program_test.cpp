// The finished program as a user meets it: the built executable started as a
// process and driven from this one, through its windows only. Also what the
// executable carries: its manifest and version information.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/drive_c.h"
#include "support/watchdog.h"
#include "tools/dialog_driver.h"

namespace {

using namespace testing_drive_c;
namespace fs = std::filesystem;
using namespace dialog_driver;

std::string g_program;  // the executable under test, as a Windows path
std::string g_planted;  // a COMCTL32.dll that must never be loaded, as a Windows path
std::string g_winhlp;   // a winhlp32.exe that must never be started, as a Windows path

// The text (and caption) of the program's next message box, which is then closed.
std::wstring TakeMessageBox(const RunningProgram& program, std::wstring* caption = nullptr)
{
    HWND box = program.WaitForMessageBox();
    if (box == nullptr)
        return L"(no message box)";
    const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
    if (caption != nullptr)
        *caption = Text(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil(RunningProgram::kWaitMs, 10, [&] { return !IsWindow(box); });
    return text;
}

// An environment variable set for the programs started while this lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name)
    {
        char old[512];
        const DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
        m_had = n > 0 && n < sizeof old;
        if (m_had)
            m_old = old;
        SetEnvironmentVariableA(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableA(m_name, m_had ? m_old.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

// A folder of the test's own under the temporary folder, removed with all it holds.
class Folder {
public:
    Folder()
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + "korvane-test-" + std::to_string(GetCurrentProcessId());
        fs::remove_all(m_path);
        fs::create_directory(m_path);
    }
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string operator/(const char* name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// The typical run: a version-3 file of 300 x 200 in 16 bits, sliders at 4 and 60.
const Bytes kTypicalFile = {
    3, 0, 0, 0, 0x2C, 1, 0, 0, 0xC8, 0, 0, 0, 16, 0, 0, 0,
    1, 2, 3, 4, 5, 6, 7, 8,                     // reserved, not carried over
    3, 0, 0, 0, 0xDC, 5, 0, 0, 50, 0, 0, 0, 20, 0, 0, 0, 10, 0, 0, 0,
    4, 0, 0, 0, 0xB0, 4, 0, 0, 60, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0,
    3, 1, 9, 9,                                 // 3 clans, load flag 1, reserved
};
// ...and what OK writes after the clans are changed to 5.
const Bytes kTypicalSaved = {
    3, 0, 0, 0, 0x2C, 1, 0, 0, 0xC8, 0, 0, 0, 16, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    3, 0, 0, 0, 0xDC, 5, 0, 0, 50, 0, 0, 0, 20, 0, 0, 0, 10, 0, 0, 0,
    4, 0, 0, 0, 0xB0, 4, 0, 0, 60, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0,
    5, 0, 0, 0,
};

class TheProgram : public ::testing::Test {
protected:
    CleanDriveC m_drive;
};

TEST_F(TheProgram, AnnulerEndsItAndWritesNothing)
{
    RunningProgram program(g_program);
    ASSERT_TRUE(program.Started()) << g_program;
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDC_EDIT_HEIGHT), "100");
    SetDlgItemTextA(dialog, IDC_EDIT_CLANS, "9");
    Click(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_FALSE(Exists(kSettings));
}

TEST_F(TheProgram, TypicalRunWritesTheExpectedRecordAndEnds)
{
    WriteBytes(kSettings, kTypicalFile);
    RunningProgram program(g_program);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ItemText(dialog, IDC_EDIT_HEIGHT), "300");
    EXPECT_EQ(ItemText(dialog, IDC_EDIT_WIDTH), "200");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_COMBO_COLOR_DEPTH, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CHECK_LOAD, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_EDIT_CLANS, "5");
    Click(dialog, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(ReadBytes(kSettings), kTypicalSaved);
}

TEST_F(TheProgram, ARefusedEntryKeepsItRunningAndTheFileUnchanged)
{
    WriteBytes(kSettings, kTypicalFile);
    RunningProgram program(g_program);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_EDIT_WIDTH, "deux cents");
    Click(dialog, IDOK);
    EXPECT_EQ(TakeMessageBox(program), L"Veuillez entrer un nombre entier.");
    EXPECT_EQ(program.WaitForExit(200), -1) << "still running";
    EXPECT_EQ(ReadBytes(kSettings), kTypicalFile);
    EXPECT_EQ(ItemText(dialog, IDC_EDIT_WIDTH), "deux cents");
    Click(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(ReadBytes(kSettings), kTypicalFile);
}

TEST_F(TheProgram, TwoCopiesSideBySideTheLaterOkWins)
{
    WriteBytes(kSettings, kTypicalFile);
    RunningProgram first(g_program), second(g_program);
    HWND a = first.WaitForDialog(), b = second.WaitForDialog();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    SetDlgItemTextA(a, IDC_EDIT_CLANS, "11");
    SetDlgItemTextA(b, IDC_EDIT_CLANS, "22");
    Click(a, IDOK);
    EXPECT_EQ(first.WaitForExit(), 0);
    Bytes saved = ReadBytes(kSettings);
    ASSERT_EQ(saved.size(), 72u);
    EXPECT_EQ(saved[68], 11);
    Click(b, IDOK);
    EXPECT_EQ(second.WaitForExit(), 0);
    saved = ReadBytes(kSettings);
    ASSERT_EQ(saved.size(), 72u);
    EXPECT_EQ(saved[68], 22);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 16), Bytes(kTypicalSaved.begin(), kTypicalSaved.begin() + 16));
}

// F1 and the Help command start nothing, not even a winhlp32.exe beside the program
// (a Downloads folder): they say in a box over the dialog that there is no help.
TEST_F(TheProgram, HelpStartsNothingBesideIt)
{
    Folder folder;
    fs::copy_file(g_program, folder / "korvane-setup.exe");
    fs::copy_file(g_winhlp, folder / "winhlp32.exe");
    RunningProgram program(folder / "korvane-setup.exe");
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    SetForegroundWindow(dialog);
    TypeKey(VK_F1);
    EXPECT_EQ(TakeMessageBox(program), L"Aucune aide n'est disponible pour ce programme.") << "after F1";
    Click(dialog, 0xE146);     // the Help command, ID_HELP
    EXPECT_EQ(TakeMessageBox(program), L"Aucune aide n'est disponible pour ce programme.") << "after the Help command";
    Click(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(folder / "winhlp32.marker")) << "the help viewer beside it was started";
}

// A save ended at any instant (the program killed from the task manager while it
// waits for a file another program holds, while it writes, or just after) leaves
// the old record or the new one, whole, and nothing beside it.
TEST_F(TheProgram, AKilledSaveLeavesTheOldRecordOrTheNew)
{
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        WriteBytes(kSettings, kTypicalFile);
        const auto before = RootOfC();
        RunningProgram program(g_program);
        HWND dialog = program.WaitForDialog();
        ASSERT_NE(dialog, nullptr);
        SetDlgItemTextA(dialog, IDC_EDIT_CLANS, "5");
        // Held for an instant taken at random within the save's wait, and the
        // program ended at another, from the performance counter.
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        auto held = std::make_unique<HeldOpen>(kSettings);
        ASSERT_TRUE(held->IsOpen());
        Click(dialog, IDOK);
        Sleep(static_cast<DWORD>(now.QuadPart % 200));
        held.reset();
        Sleep(static_cast<DWORD>(now.QuadPart / 200 % 100));
        program.Kill();
        const Bytes after = ReadBytes(kSettings);
        EXPECT_TRUE(after == kTypicalFile || after == kTypicalSaved) << after.size() << " bytes, neither old nor new";
        EXPECT_EQ(RootOfC(), before) << "something was left beside the settings file";
    }
}

// What an accessibility client in another process reads of each value control:
// its label as its name, and for the rest (here the list's and the sliders' role,
// value, state and place) what the system's standard object for it says. An object
// still held once the dialog has ended does no harm.
TEST_F(TheProgram, AScreenReaderNamesEveryFieldByItsLabel)
{
    const struct { int id; const wchar_t* name; } fields[] = {
        {IDC_EDIT_HEIGHT, L"Hauteur"}, {IDC_EDIT_WIDTH, L"Largeur"}, {IDC_EDIT_WORKERS, L"Ouvrières"},
        {IDC_EDIT_SENTINELS, L"Sentinelles"}, {IDC_EDIT_CISTERNS, L"Citernes"},
        {IDC_COMBO_COLOR_DEPTH, L"Bits par pixel"}, {IDC_EDIT_FOOD_DENSITY, L"Densité"},
        {IDC_EDIT_FOOD_PER_PACKET, L"Quantité par paquet"}, {IDC_SLIDER_SPEED, L"vitesse"},
        {IDC_CHECK_LOAD, L"Charger kv"}, {IDC_EDIT_BREED_INTERVAL, L"Freq de reproduction en tours"},
        {IDC_EDIT_ENEMIES, L"Nombre d'ennemis"}, {IDC_EDIT_MAX_ENEMIES, L"Max. ennemis"},
        {IDC_EDIT_ENEMY_BIRTH, L"Freq. des naissances en tours"},
        {IDC_SLIDER_WORKER_RATIO, L"Pourcentage d'ouvrier dans larves"}, {IDC_EDIT_CLANS, L"Nombre de Clans"},
    };
    ASSERT_EQ(std::size(fields), 16u);
    RunningProgram program(g_program);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    IAccessible* held = nullptr;
    for (const auto& f : fields) {
        IAccessible* object = nullptr;
        HWND control = GetDlgItem(dialog, f.id);
        ASSERT_EQ(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object)), S_OK)
            << "control " << f.id;
        BSTR name = nullptr;
        EXPECT_EQ(object->get_accName(self, &name), S_OK) << "control " << f.id;
        EXPECT_EQ(std::wstring(name != nullptr ? name : L""), f.name) << "control " << f.id;
        SysFreeString(name);
        if (f.id == IDC_COMBO_COLOR_DEPTH || f.id == IDC_SLIDER_SPEED || f.id == IDC_SLIDER_WORKER_RATIO) {
            IAccessible* standard = nullptr;
            ASSERT_EQ(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard)), S_OK);
            VARIANT role[2], state[2];
            BSTR value[2] = {};
            LONG place[2][4] = {};
            IAccessible* both[2] = {object, standard};
            for (int i = 0; i < 2; ++i) {
                VariantInit(&role[i]);
                VariantInit(&state[i]);
                both[i]->get_accRole(self, &role[i]);
                both[i]->get_accState(self, &state[i]);
                both[i]->get_accValue(self, &value[i]);
                both[i]->accLocation(&place[i][0], &place[i][1], &place[i][2], &place[i][3], self);
            }
            EXPECT_EQ(role[0].vt, role[1].vt) << "control " << f.id;
            EXPECT_EQ(role[0].lVal, role[1].lVal) << "control " << f.id;
            EXPECT_EQ(state[0].lVal, state[1].lVal) << "control " << f.id;
            EXPECT_EQ(std::wstring(value[0] ? value[0] : L"-"), std::wstring(value[1] ? value[1] : L"-")) << "control " << f.id;
            EXPECT_EQ(std::memcmp(place[0], place[1], sizeof place[0]), 0) << "control " << f.id;
            for (int i = 0; i < 2; ++i)
                SysFreeString(value[i]);
            standard->Release();
        }
        if (held == nullptr)
            held = object;
        else
            object->Release();
    }
    Click(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0) << "the program ended badly with an object still held";
    BSTR name = nullptr;
    EXPECT_NE(held->get_accName(self, &name), S_OK) << "a held object still answers for a dialog that is gone";
    held->Release();
}

// F1 struck into any box of the program (a refused entry, a failed save, the report
// of unread settings, the "no help" box itself) opens no second box; the dialog stays
// disabled until the box is closed, and an OK meanwhile saves nothing.
TEST_F(TheProgram, F1InABoxOpensNoOtherBox)
{
    enum Box { kRefusal, kSaveError, kReport, kNoHelp };
    const struct { const char* name; Box box; const wchar_t* text; } cases[] = {
        {"a refused entry", kRefusal, L"Veuillez entrer un nombre entier."},
        {"a failed save", kSaveError, L"Le fichier C:\\korvane.ini est utilisé par un autre programme."},
        {"the report of unread settings", kReport, L"Les réglages enregistrés n'ont pas pu être lus."},
        {"the no-help box", kNoHelp, L"Aucune aide n'est disponible pour ce programme."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CleanDriveC::Clear();
        WriteBytes(kSettings, kTypicalFile);
        std::unique_ptr<HeldOpen> held;
        if (c.box == kReport)
            held = std::make_unique<HeldOpen>(kSettings);
        RunningProgram program(g_program);
        HWND dialog = program.WaitForDialog();
        ASSERT_NE(dialog, nullptr);
        if (c.box == kSaveError)
            held = std::make_unique<HeldOpen>(kSettings);
        if (c.box == kRefusal)
            SetDlgItemTextA(dialog, IDC_EDIT_WIDTH, "deux cents");
        if (c.box == kRefusal || c.box == kSaveError)
            Click(dialog, IDOK);
        if (c.box == kNoHelp)
            Click(dialog, 0xE146);
        HWND box = program.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)).find(c.text), 0u) << "another box first";
        SetForegroundWindow(box);
        TypeKey(VK_F1);
        SetDlgItemTextA(dialog, IDC_EDIT_CLANS, "9");
        Click(dialog, IDOK);
        // A second box would come within a few milliseconds.
        int boxes = 0;
        WaitUntil(500, 10, [&] { return (boxes = FindWindowsOf(program.Id()).messageBoxes) >= 2; });
        EXPECT_EQ(boxes, 1) << "F1 opened another box";
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the dialog was enabled under its box";
        // Each box closed in turn; the dialog then takes commands again.
        while (FindWindowsOf(program.Id()).messageBox != nullptr && program.WaitForExit(0) == -1)
            TakeMessageBox(program);
        EXPECT_TRUE(IsWindowEnabled(dialog));
        held.reset();
        Click(dialog, IDCANCEL);
        EXPECT_EQ(program.WaitForExit(), 0);
        EXPECT_EQ(ReadBytes(kSettings), kTypicalFile) << "OK saved while a box was up";
    }
}

// A COMCTL32.dll dropped beside the program (a Downloads folder) is never loaded,
// even when the loader looks in the program's folder first, as Windows does for a
// DLL that is not one of its known DLLs; the dialog opens with working sliders.
TEST_F(TheProgram, PlantedDllBesideItIsNeverLoaded)
{
    char overrides[256] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    ASSERT_NE(std::strstr(overrides, "comctl32=n"), nullptr) << "run with the override comctl32=n,b: " << overrides;
    Folder folder;
    fs::copy_file(g_program, folder / "korvane-setup.exe");
    fs::copy_file(g_planted, folder / "COMCTL32.dll");
    ScopedVariable nativeFirst("WINEDLLOVERRIDES", "comctl32=n,b;mscoree,mshtml=");
    RunningProgram program(folder / "korvane-setup.exe");
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no dialog opened";
    HWND speed = GetDlgItem(dialog, IDC_SLIDER_SPEED);
    EXPECT_EQ(SendMessageW(speed, TBM_GETPOS, 0, 0), 1);
    SendMessageW(speed, TBM_SETPOS, TRUE, 25);
    EXPECT_EQ(SendMessageW(speed, TBM_GETPOS, 0, 0), 10) << "a trackbar clamps into its range 1 to 10";
    Click(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_FALSE(fs::exists(folder / "planted.marker")) << "the planted DLL was loaded";
}

// Under a Windows code page without the French accents (Cyrillic 1251, Japanese
// 932) the caption, the labels and a refusal's message box keep every accent, and
// typed numbers are read and saved exactly.
TEST_F(TheProgram, CodePageWithoutAccentsKeepsThem)
{
    ASSERT_NE(GetACP(), 1252u) << "run under another code page (KORVANE_LOCALE=ru_RU.UTF-8)";
    std::cout << "Windows code page " << GetACP() << "\n";
    RunningProgram program(g_program);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Text(dialog), L"Korvane Setup 1.03 bêta");
    std::wstring labels;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        labels += Text(child) + L"|";
    for (const wchar_t* label : {L"|Ouvrières|", L"|Densité|", L"|Quantité par paquet|", L"|Korvane Setup © 2000 Korvane|"})
        EXPECT_NE(labels.find(label), std::wstring::npos) << "no label " << label << " among " << labels;

    SetDlgItemTextW(dialog, IDC_EDIT_HEIGHT, L"999");
    SetDlgItemTextW(dialog, IDC_EDIT_WORKERS, L"-1234");
    SetDlgItemTextW(dialog, IDC_EDIT_CLANS, L" 200 ");
    SetDlgItemTextW(dialog, IDC_EDIT_WIDTH, L"deux cents");
    Click(dialog, IDOK);
    std::wstring caption;
    EXPECT_EQ(TakeMessageBox(program, &caption), L"Veuillez entrer un nombre entier.");
    EXPECT_EQ(caption, L"Korvane Setup 1.03 bêta");
    SetDlgItemTextW(dialog, IDC_EDIT_WIDTH, L"321");
    Click(dialog, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0);
    const Bytes saved = ReadBytes(kSettings);
    ASSERT_EQ(saved.size(), 72u);
    RecordBytes bytes;
    std::copy(saved.begin(), saved.end(), bytes.begin());
    const SettingsRecord r = DecodeRecord(bytes);
    EXPECT_EQ(r.height, 999);
    EXPECT_EQ(r.width, 321);
    EXPECT_EQ(r.workers, -1234);
    EXPECT_EQ(r.clans, 200);
}

// What the executable declares: it asks to run as administrator (the settings file
// is at the root of drive C), is DPI aware, and carries version 1.03 in French.
TEST(TheExecutable, ManifestAndVersionInformation)
{
    HMODULE module = LoadLibraryExA(g_program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << g_program;
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(res, nullptr) << "no manifest";
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, res)));
    const std::string manifest(data, SizeofResource(module, res));
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("supportedOS"), std::string::npos);
    FreeLibrary(module);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(g_program.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(g_program.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, static_cast<DWORD>(VS_FF_PRIVATEBUILD | VS_FF_SPECIALBUILD));
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x040C);
    EXPECT_EQ(translation[1], 1200);
    for (const char* key : {"\\StringFileInfo\\040C04B0\\FileVersion", "\\StringFileInfo\\040C04B0\\ProductVersion"}) {
        char* value = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), key, reinterpret_cast<void**>(&value), &length)) << key;
        EXPECT_STREQ(value, "1.03") << key;
    }
}

}  // namespace

// The program's path and the planted DLL's and help viewer's come as arguments, as a Unix path or a Windows one.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    testing_watchdog::Install(30000);
    CoInitialize(nullptr);      // an accessibility client
    if (argc < 4) {
        fprintf(stderr, "usage: program_tests <korvane-setup.exe> <planted COMCTL32.dll> <planted winhlp32.exe>\n");
        return 2;
    }
    g_program = WindowsPath(argv[1]);
    g_planted = WindowsPath(argv[2]);
    g_winhlp = WindowsPath(argv[3]);
    return RUN_ALL_TESTS();
}
