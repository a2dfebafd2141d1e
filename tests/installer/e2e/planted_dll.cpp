// A stand-in for a DLL that someone placed beside the registration tool under the name of one of
// Windows' DLLs: loaded, it leaves "planted.trace" beside itself, and does nothing else.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE dll, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    std::wstring trace(path, GetModuleFileNameW(dll, path, MAX_PATH));
    trace = trace.substr(0, trace.find_last_of(L'\\')) + L"\\planted.trace";
    HANDLE file = CreateFileW(trace.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
