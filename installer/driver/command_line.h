// The registration tool's program path and parameters, built from the installer's directory.
#pragma once

#include <string>

struct CommandLine {
    std::string program;     // the exact path of the program file to start: nothing is searched
    std::string parameters;  // what follows the program on its command line
};

CommandLine InstallCommand(const std::string& sourceDir);
CommandLine UninstallCommand(const std::string& sourceDir);
