#include "system_dll.h"

#include <string>

namespace win32 {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// It came with Windows 8, as did the LOAD_LIBRARY_SEARCH_* flags; Windows 7 has both only with
// its update KB2533623, and without it refuses the flags as invalid.
SetDefaultDllDirectoriesFunction SetDefaultDllDirectoriesIfKnown() {
    return DllFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
}

}  // namespace

bool LoadDllsFromSystem32Only() {
    auto setDefault = SetDefaultDllDirectoriesIfKnown();
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryW(L"");
    return false;
}

HMODULE LoadSystemDll(const wchar_t* name) {
    if (SetDefaultDllDirectoriesIfKnown()) return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // By its full path; its own DLLs are then looked for in its folder first.
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path = std::wstring(system, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace win32
