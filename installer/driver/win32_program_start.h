// Starting a program on Win32, through the shell, so that Windows asks for consent where the
// program's manifest requires administrator rights.
#pragma once

#include "installer/driver/program_start.h"
#include "win32/form.h"

class Win32ProgramStart final : public ProgramStart {
public:
    // The owner's window owns whatever the platform shows for the start (the consent prompt).
    explicit Win32ProgramStart(const win32::Form& owner) : owner_(owner) {}
    Failure Start(const CommandLine& command, int windowStyle, double& taskId) override;

private:
    const win32::Form& owner_;
};
