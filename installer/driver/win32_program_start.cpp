#include "win32_program_start.h"

#include "win32/text.h"

#include <shellapi.h>

// The shell starts the program as its manifest asks: elevated, after the operator's consent, for
// requireAdministrator. COM is initialised on the window thread (main), as the shell needs.
Failure Win32ProgramStart::Start(const CommandLine& command, int windowStyle, double& taskId) {
    std::wstring program = win32::Widen(command.program);
    std::wstring parameters = win32::Widen(command.parameters);
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    // The process's handle for its id; no box of the shell's own: a failure goes to our "Warning!".
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    start.hwnd = owner_.Hwnd();
    start.lpFile = program.c_str();  // no verb: the program's manifest decides
    start.lpParameters = parameters.c_str();
    start.nShow = windowStyle;
    // A declined consent prompt fails with ERROR_CANCELLED.
    if (!ShellExecuteExW(&start)) return win32::Narrow(win32::ErrorText(GetLastError()));
    // The shell may hand the start to a process of its own and give no handle: no task, id 0.
    taskId = start.hProcess ? GetProcessId(start.hProcess) : 0;
    // Nobody waits for the tool or stops it.
    if (start.hProcess) CloseHandle(start.hProcess);
    return {};
}
