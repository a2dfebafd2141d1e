// Starting a program on Win32.
#pragma once

#include "installer/driver/program_start.h"

class Win32ProgramStart final : public ProgramStart {
public:
    Failure Start(const CommandLine& command, int windowStyle, double& taskId) override;
};
