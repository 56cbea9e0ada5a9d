// The finished program as a user meets it: the built executable started as a
// process and driven from this one, through its windows only. Also what the
// executable carries: its manifest and version information.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/drive_c.h"
#include "support/process_dialogs.h"

namespace {

using namespace testing_drive_c;
using namespace process_dialogs;

std::string g_program;  // the executable under test, as a Windows path

constexpr DWORD kTimeoutMs = 10000;

// A running copy of the program.
class Program {
public:
    Program() : m_started(StartProgram(g_program, m_pi)) {}
    ~Program()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_pi.hProcess, 99);    // a test that failed halfway
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }

    // Polls until the dialog is shown with its values filled in.
    HWND WaitForDialog() const
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs) {
            if (HWND dialog = FilledDialogOf(m_pi.dwProcessId))
                return dialog;
            Sleep(10);
        }
        return nullptr;
    }

    // Polls until a message box is shown; returns its text and closes it.
    std::wstring TakeMessageBox() const
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kTimeoutMs) {
            HWND box = FindWindowsOf(m_pi.dwProcessId).messageBox;
            if (box != nullptr) {
                wchar_t text[512] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 512);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
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
    EXPECT_FALSE(Exists(kTemp));
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
    EXPECT_FALSE(Exists(kTemp));
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

// The program's path comes as the first argument, as a Unix path or a Windows one.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: program_tests <korvane-setup.exe>\n");
        return 2;
    }
    g_program = WindowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
