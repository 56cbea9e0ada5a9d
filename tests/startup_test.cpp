// The platform layer's start-up as it protects a program run as administrator: once it
// has restricted the DLL search, a DLL in the program's own folder is no longer
// found by its name.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/app.h"
#include "tools/dialog_driver.h"

namespace {

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(StartUp, NoDllComesFromTheProgramsFolderByName)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.rfind(L'\\'));
    const std::wstring probe = folder + L"\\korvane_probe.dll";
    ASSERT_TRUE(CopyFileW(Widen(dialog_driver::WindowsPath(KORVANE_PLANTED_DLL)).c_str(), probe.c_str(), FALSE));

    EXPECT_TRUE(AfxRestrictDllSearch());
    HMODULE byName = LoadLibraryW(L"korvane_probe.dll");
    EXPECT_EQ(byName, nullptr) << "a DLL was taken from the program's folder";
    HMODULE byPath = LoadLibraryW(probe.c_str());
    EXPECT_NE(byPath, nullptr) << "the probe itself loads, by its full path";

    for (HMODULE module : {byName, byPath})
        if (module != nullptr)
            FreeLibrary(module);
    DeleteFileW(probe.c_str());
    DeleteFileW((folder + L"\\planted.marker").c_str());
}

}  // namespace
