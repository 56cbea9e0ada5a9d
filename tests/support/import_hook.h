// Replaces, for as long as it lives, this executable's own import of a KERNEL32
// function: the code linked into the test executable (the settings code) then calls
// the replacement. What the system or another module calls is not touched.
#pragma once

#include <windows.h>

#include <cstring>

namespace import_hook {

class ImportHook {
public:
    ImportHook(const char* name, void* replacement) : m_slot(Slot(name))
    {
        if (m_slot != nullptr) {
            m_original = *m_slot;
            Set(replacement);
        }
    }
    ~ImportHook()
    {
        if (m_slot != nullptr)
            Set(m_original);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

private:
    // The import address table's slot for KERNEL32's function of that name.
    static void** Slot(const char* name)
    {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0; ++dll) {
            if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "KERNEL32.dll") != 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) && std::strcmp(byName->Name, name) == 0)
                    return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
        return nullptr;
    }

    void Set(void* function)
    {
        DWORD protection;
        VirtualProtect(m_slot, sizeof *m_slot, PAGE_READWRITE, &protection);
        *m_slot = function;
        VirtualProtect(m_slot, sizeof *m_slot, protection, &protection);
    }

    void** m_slot;
    void* m_original = nullptr;
};

// The system's own function, whatever this executable's import now holds.
template <class Function>
Function Real(Function, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace import_hook
