// DLLs of Windows, from System32 alone. A program that runs with administrator rights from a
// folder that users can write to (the medium's copy) must not look in its own folder first, as
// Windows does by default: a DLL placed there would run with those rights. Such a program imports
// only DLLs that Windows always takes from System32 (the KnownDLLs) and loads any other with
// LoadSystemDll.
#pragma once

#include <windows.h>

namespace win32 {

// Makes System32 the only place where DLLs are looked for from now on, and says so. Windows 7
// without its update KB2533623 cannot: there the current directory at least leaves the search,
// and the program's own folder stays in it (false). First thing in wWinMain.
bool LoadDllsFromSystem32Only();
// Loads a DLL of Windows from System32, and its own DLLs from there too.
HMODULE LoadSystemDll(const wchar_t* name);

// A function of a loaded DLL by its name; nullptr where this Windows lacks it.
template <typename Function>
Function DllFunction(HMODULE dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

}  // namespace win32
