// The registration tool's command lines, built from the installer's directory.
#pragma once

#include <string>

struct CommandLine {
    std::string program;  // the exact path of the program file to start: nothing is searched
    std::string line;     // the whole command line, the program path first
};

CommandLine InstallCommand(const std::string& sourceDir);
CommandLine UninstallCommand(const std::string& sourceDir);
