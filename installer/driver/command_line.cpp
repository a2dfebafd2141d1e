#include "command_line.h"

namespace {

// A path with a blank would reach the tool cut in two: such a path goes in double quotes. Paths
// never end in a backslash here, so the closing quote cannot be escaped by one.
std::string Quoted(const std::string& path) {
    if (path.find_first_of(" \t") == std::string::npos) return path;
    return '"' + path + '"';
}

CommandLine RegistrationCommand(const std::string& sourceDir, const std::string& action) {
    return {sourceDir + "\\wdreg_gui.exe", "-inf " + Quoted(sourceDir + "\\VL_USB.inf") + " " + action};
}

}  // namespace

CommandLine InstallCommand(const std::string& sourceDir) { return RegistrationCommand(sourceDir, "install"); }

CommandLine UninstallCommand(const std::string& sourceDir) { return RegistrationCommand(sourceDir, "uninstall"); }
