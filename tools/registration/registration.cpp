#include "registration.h"

#include <algorithm>

namespace {

const char kUsage[] =
    "Usage: wdreg_gui.exe -inf <INF file> install|uninstall\r\n"
    "\r\n"
    "install     installs the driver package that the INF file describes\r\n"
    "uninstall   removes that driver package";

bool SameWord(std::string text, const std::string& word) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return text == word;
}

}  // namespace

Report Register(const std::vector<std::string>& arguments, DriverStore& store) {
    bool valid = arguments.size() == 3 && (SameWord(arguments[0], "-inf") || SameWord(arguments[0], "/inf")) &&
                 !arguments[1].empty() && (SameWord(arguments[2], "install") || SameWord(arguments[2], "uninstall"));
    if (!valid) return {kUsage, kBadArguments};

    const std::string& inf = arguments[1];
    bool install = SameWord(arguments[2], "install");
    StoreResult result = install ? store.Install(inf) : store.Uninstall(inf);
    if (result.error) {
        return {std::string(install ? "Could not install" : "Could not remove") + " the driver package " + inf +
                    ":\r\n" + result.description,
                static_cast<int>(result.error)};
    }
    if (install) {
        return {"Installed the driver package " + inf + " as " + result.publishedName +
                    ".\r\nThe board gets this driver when it is next plugged in.",
                0};
    }
    return {"Removed the driver package " + inf + " (" + result.publishedName + ").", 0};
}
