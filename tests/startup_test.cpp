// The platform layer's start-up as it protects a program run as administrator, each
// defence shown on its own with a DLL of the same name beside the program and in
// the system folder: a library asked for by name comes from the system folder even
// where the search would find the copy beside the program first; once the search is
// restricted, a bare name no longer finds that copy; and the start-up restricts it
// before the program's own code runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/app.h"
#include "support/drive_c.h"
#include "support/modal_run.h"

namespace {

using namespace dialog_driver;

constexpr wchar_t kProbe[] = L"korvane_probe.dll";

std::wstring FolderOf(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\'));
}

// The folder of the copy that a bare name loads now, or "none"; unloaded again.
std::wstring FoundByName()
{
    HMODULE module = LoadLibraryW(kProbe);
    if (module == nullptr)
        return L"none";
    const std::wstring folder = FolderOf(module);
    FreeLibrary(module);
    return folder;
}

// A copy of the planted DLL, removed with its marker when this ends.
class Copy {
public:
    explicit Copy(const std::wstring& folder) : m_folder(folder)
    {
        const std::string planted = WindowsPath(KORVANE_PLANTED_DLL);
        m_made = CopyFileW(std::wstring(planted.begin(), planted.end()).c_str(), (m_folder + L"\\" + kProbe).c_str(), FALSE);
    }
    ~Copy()
    {
        DeleteFileW((m_folder + L"\\" + kProbe).c_str());
        DeleteFileW((m_folder + L"\\planted.marker").c_str());
    }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;
    bool Made() const { return m_made; }

private:
    std::wstring m_folder;
    bool m_made;
};

TEST(StartUp, EachDllDefenceHoldsOnItsOwn)
{
    testing_drive_c::CleanDriveC drive;     // the start-up's dialog reads the settings file
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring programs = FolderOf(nullptr);
    Copy beside(programs), inSystem(system);
    ASSERT_TRUE(beside.Made() && inSystem.Made());

    // The search as it is before any restriction: the program's folder first.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    ASSERT_EQ(FoundByName(), programs) << "here a bare name does not find the copy beside the program first";
    ASSERT_EQ(GetModuleHandleW(kProbe), nullptr) << "the copy stayed loaded";

    HMODULE asked = AfxLoadSystemLibrary(kProbe);
    ASSERT_NE(asked, nullptr);
    EXPECT_EQ(_wcsicmp(FolderOf(asked).c_str(), system), 0) << "a library asked for by name came from elsewhere";
    FreeLibrary(asked);

    EXPECT_TRUE(AfxRestrictDllSearch());
    EXPECT_NE(FoundByName(), programs) << "once restricted, a bare name still finds the copy beside the program";

    // The program's start-up, with its dialog: the search is restricted by then.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    struct {
        INT_PTR DoModal() { return AfxWinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL); }
    } startUp;
    std::wstring duringStartUp;
    const Outcome out = RunModal(startUp, {
        [&](HWND h) {
            duringStartUp = FoundByName();
            Click(h, IDCANCEL);
        },
    });
    EXPECT_EQ(out.result, 0);
    EXPECT_FALSE(duringStartUp.empty()) << "the start-up showed no dialog";
    EXPECT_NE(duringStartUp, programs) << "the start-up left the program's folder in the search";
}

}  // namespace
