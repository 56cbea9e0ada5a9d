// The finished program as a user meets it: the built executable started as a
// process and driven from this one, through its windows only. Also what the
// executable carries: its manifest and version information.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/dialog_driver.h"
#include "support/drive_c.h"
#include "support/process_dialogs.h"

namespace {

using namespace testing_drive_c;
namespace fs = std::filesystem;
using namespace process_dialogs;

std::string g_program;  // the executable under test, as a Windows path
std::string g_planted;  // a COMCTL32.dll that must never be loaded, as a Windows path
std::string g_winhlp;   // a winhlp32.exe that must never be started, as a Windows path

constexpr DWORD kTimeoutMs = 10000;

std::wstring WindowText(HWND hWnd)
{
    wchar_t text[256] = {};
    GetWindowTextW(hWnd, text, 256);
    return text;
}

// A running copy of the program.
class Program {
public:
    explicit Program(const std::string& program = g_program) : m_started(StartProgram(program, m_pi)) {}
    ~Program()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_pi.hProcess, 99);    // a test that failed halfway
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }

    // Polls until the dialog is shown with its values filled in; null if the program
    // ends or shows none in time.
    HWND WaitForDialog() const
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            if (HWND dialog = FilledDialogOf(m_pi.dwProcessId))
                return dialog;
            Sleep(10);
        }
        return nullptr;
    }

    // Polls until a message box is shown; returns its text (and caption) and closes it.
    std::wstring TakeMessageBox(std::wstring* caption = nullptr) const
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs) {
            HWND box = FindWindowsOf(m_pi.dwProcessId).messageBox;
            if (box != nullptr) {
                wchar_t text[512] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 512);
                if (caption != nullptr)
                    *caption = WindowText(box);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                while (IsWindow(box) && GetTickCount() - start < kTimeoutMs)
                    Sleep(10);
                return text;
            }
            Sleep(10);
        }
        return L"(no message box)";
    }

    // The exit code, or -1 while it still runs after the wait.
    long WaitForExit(DWORD ms = kTimeoutMs) const
    {
        if (WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_pi.hProcess, &code);
        return static_cast<long>(code);
    }

    bool Started() const { return m_started; }
    DWORD Id() const { return m_pi.dwProcessId; }
    // Ends it at once, as the task manager does, and waits until it has ended.
    void Kill() const
    {
        TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, kTimeoutMs);
    }

private:
    PROCESS_INFORMATION m_pi = {};
    bool m_started;
};

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string Item(HWND dialog, int id)
{
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
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
    Program program;
    ASSERT_TRUE(program.Started()) << g_program;
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Item(dialog, IDC_EDIT_HEIGHT), "100");
    SetDlgItemTextA(dialog, IDC_EDIT_CLANS, "9");
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_FALSE(Exists(kSettings));
    EXPECT_EQ(Leftovers(), "");
}

TEST_F(TheProgram, TypicalRunWritesTheExpectedRecordAndEnds)
{
    WriteFile(kSettings, kTypicalFile);
    Program program;
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Item(dialog, IDC_EDIT_HEIGHT), "300");
    EXPECT_EQ(Item(dialog, IDC_EDIT_WIDTH), "200");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_COMBO_COLOR_DEPTH, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CHECK_LOAD, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_EDIT_CLANS, "5");
    Press(dialog, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(ReadFile(kSettings), kTypicalSaved);
    EXPECT_EQ(Leftovers(), "");
}

TEST_F(TheProgram, ARefusedEntryKeepsItRunningAndTheFileUnchanged)
{
    WriteFile(kSettings, kTypicalFile);
    Program program;
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_EDIT_WIDTH, "deux cents");
    Press(dialog, IDOK);
    EXPECT_EQ(program.TakeMessageBox(), L"Veuillez entrer un nombre entier.");
    EXPECT_EQ(program.WaitForExit(200), -1) << "still running";
    EXPECT_EQ(ReadFile(kSettings), kTypicalFile);
    EXPECT_EQ(Item(dialog, IDC_EDIT_WIDTH), "deux cents");
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_EQ(ReadFile(kSettings), kTypicalFile);
}

TEST_F(TheProgram, TwoCopiesSideBySideTheLaterOkWins)
{
    WriteFile(kSettings, kTypicalFile);
    Program first, second;
    HWND a = first.WaitForDialog(), b = second.WaitForDialog();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    SetDlgItemTextA(a, IDC_EDIT_CLANS, "11");
    SetDlgItemTextA(b, IDC_EDIT_CLANS, "22");
    Press(a, IDOK);
    EXPECT_EQ(first.WaitForExit(), 0);
    Bytes saved = ReadFile(kSettings);
    ASSERT_EQ(saved.size(), 72u);
    EXPECT_EQ(saved[68], 11);
    Press(b, IDOK);
    EXPECT_EQ(second.WaitForExit(), 0);
    saved = ReadFile(kSettings);
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
    Program program(folder / "korvane-setup.exe");
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    SetForegroundWindow(dialog);
    dialog_driver::TypeKey(VK_F1);
    EXPECT_EQ(program.TakeMessageBox(), L"Aucune aide n'est disponible pour ce programme.") << "after F1";
    Press(dialog, 0xE146);     // the Help command, ID_HELP
    EXPECT_EQ(program.TakeMessageBox(), L"Aucune aide n'est disponible pour ce programme.") << "after the Help command";
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_FALSE(Exists((folder / "winhlp32.marker").c_str())) << "the help viewer beside it was started";
}

// A save that the program never finishes (ended from outside while it waits for a
// settings file another program holds) leaves no temporary file behind, and the
// settings file as it was.
TEST_F(TheProgram, AKilledSaveLeavesNothing)
{
    WriteFile(kSettings, kTypicalFile);
    Program program;
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    auto held = std::make_unique<HeldOpen>(kSettings);
    ASSERT_TRUE(held->IsOpen());
    // The save waits about 200 ms for the file; until its temporary file is seen,
    // OK is pressed again (a save that gave up says so and leaves the dialog open).
    bool seen = false;
    for (int tries = 0; tries < 5 && !seen; ++tries) {
        Press(dialog, IDOK);
        for (const DWORD start = GetTickCount(); !seen && GetTickCount() - start < 3000;) {
            seen = !Leftovers().empty();
            if (FindWindowsOf(program.Id()).messageBox != nullptr)
                break;
        }
        if (!seen)
            program.TakeMessageBox();
    }
    ASSERT_TRUE(seen) << "the save's temporary file was never seen";
    // Ended at an instant taken at random within the save's wait for the file.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    Sleep(static_cast<DWORD>(now.QuadPart % 200));
    program.Kill();
    std::string left = Leftovers();
    for (const DWORD start = GetTickCount(); !left.empty() && GetTickCount() - start < kTimeoutMs; left = Leftovers())
        Sleep(10);
    EXPECT_EQ(left, "") << "left behind by the ended save";
    held.reset();
    EXPECT_EQ(ReadFile(kSettings), kTypicalFile);
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
    Program program(folder / "korvane-setup.exe");
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "no dialog opened";
    HWND speed = GetDlgItem(dialog, IDC_SLIDER_SPEED);
    EXPECT_EQ(SendMessageW(speed, TBM_GETPOS, 0, 0), 1);
    SendMessageW(speed, TBM_SETPOS, TRUE, 25);
    EXPECT_EQ(SendMessageW(speed, TBM_GETPOS, 0, 0), 10) << "a trackbar clamps into its range 1 to 10";
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.WaitForExit(), 0);
    EXPECT_FALSE(Exists((folder / "planted.marker").c_str())) << "the planted DLL was loaded";
}

// Under a Windows code page without the French accents (Cyrillic 1251, Japanese
// 932) the caption, the labels and a refusal's message box keep every accent, and
// typed numbers are read and saved exactly.
TEST_F(TheProgram, CodePageWithoutAccentsKeepsThem)
{
    ASSERT_NE(GetACP(), 1252u) << "run under another code page (KORVANE_LOCALE=ru_RU.UTF-8)";
    std::cout << "Windows code page " << GetACP() << "\n";
    Program program;
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), L"Korvane Setup 1.03 bêta");
    std::wstring labels;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        labels += WindowText(child) + L"|";
    for (const wchar_t* label : {L"|Ouvrières|", L"|Densité|", L"|Quantité par paquet|", L"|Korvane Setup © 2000 Korvane|"})
        EXPECT_NE(labels.find(label), std::wstring::npos) << "no label " << label << " among " << labels;

    SetDlgItemTextW(dialog, IDC_EDIT_HEIGHT, L"999");
    SetDlgItemTextW(dialog, IDC_EDIT_WORKERS, L"-1234");
    SetDlgItemTextW(dialog, IDC_EDIT_CLANS, L" 200 ");
    SetDlgItemTextW(dialog, IDC_EDIT_WIDTH, L"deux cents");
    Press(dialog, IDOK);
    std::wstring caption;
    EXPECT_EQ(program.TakeMessageBox(&caption), L"Veuillez entrer un nombre entier.");
    EXPECT_EQ(caption, L"Korvane Setup 1.03 bêta");
    SetDlgItemTextW(dialog, IDC_EDIT_WIDTH, L"321");
    Press(dialog, IDOK);
    EXPECT_EQ(program.WaitForExit(), 0);
    const Bytes saved = ReadFile(kSettings);
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
    if (argc < 4) {
        fprintf(stderr, "usage: program_tests <korvane-setup.exe> <planted COMCTL32.dll> <planted winhlp32.exe>\n");
        return 2;
    }
    g_program = WindowsPath(argv[1]);
    g_planted = WindowsPath(argv[2]);
    g_winhlp = WindowsPath(argv[3]);
    return RUN_ALL_TESTS();
}
