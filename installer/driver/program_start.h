// Starting another program. The Win32 side implements it; the native tests use a fake.
#pragma once

#include "installer/deploy/file_system.h"
#include "installer/driver/command_line.h"

class ProgramStart {
public:
    virtual ~ProgramStart() = default;
    // Starts the program as a separate process and returns at once, without waiting for it;
    // taskId receives the started process's identifier. The platform may first ask the
    // operator's consent: a start the operator declines is a failure like any other.
    virtual Failure Start(const CommandLine& command, int windowStyle, double& taskId) = 0;
};
