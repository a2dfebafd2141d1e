#include "win32_program_start.h"

#include "win32/text.h"

#include <windows.h>

Failure Win32ProgramStart::Start(const CommandLine& command, int windowStyle, double& taskId) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process{};
    std::wstring program = win32::Widen(command.program);
    std::wstring line = win32::Widen(command.line);
    // The program by its exact path: the platform neither searches for it nor guesses it from
    // the command line.
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return win32::Narrow(win32::ErrorText(GetLastError()));
    // Nobody waits for the tool or stops it.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    taskId = process.dwProcessId;
    return {};
}
