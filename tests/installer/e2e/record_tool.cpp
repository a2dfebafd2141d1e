// A recording stand-in of the registration tool: appends one line per start to
// "wdreg_gui.record" in its own directory: its process id, the window style it was started
// with, its program file, its command line and the arguments as the platform splits them,
// separated by tabs (which no path holds).
#include "win32/text.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    int style = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    wchar_t module[32768];
    DWORD length = GetModuleFileNameW(nullptr, module, 32768);
    std::wstring program(module, length);
    std::wstring record = std::to_wstring(GetCurrentProcessId()) + L"\t" + std::to_wstring(style) + L"\t" + program +
                          L"\t" + GetCommandLineW();
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; words && i < count; ++i) record += std::wstring(L"\t") + words[i];
    LocalFree(words);
    std::string line = win32::Narrow(record + L"\n");

    std::wstring file = program.substr(0, program.find_last_of(L'\\')) + L"\\wdreg_gui.record";
    HANDLE out = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = out != INVALID_HANDLE_VALUE &&
              WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return ok ? 0 : 1;
}
