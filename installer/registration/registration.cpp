#include "registration.h"

#include <algorithm>

namespace {

const char kUsage[] =
    "Usage: wdreg_gui.exe -inf <INF file> install|uninstall\r\n"
    "\r\n"
    "install     installs the driver package that the INF file describes\r\n"
    "uninstall   removes that driver package";
const char kWrongMedium[] =
    "This is the 32-bit medium, but this Windows is 64-bit: a 32-bit program cannot install or remove "
    "drivers here.\r\nUse wdreg_gui.exe from the 64-bit medium.";
const char kNotAdministrator[] =
    "Installing or removing a driver needs administrator rights.\r\n"
    "Start wdreg_gui.exe again as an administrator.";

// Names and IDs compare as Windows compares them: without regard to the case of ASCII letters.
std::string Folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return text;
}

bool Same(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& each) { return Same(each, name); });
}

// Another version of our package: the same provider, and a board it is for. Its contents, date
// and version may differ.
bool SamePackage(const DriverPackage& ours, const DriverPackage& other) {
    if (!Same(ours.provider, other.provider)) return false;
    return std::any_of(other.hardwareIds.begin(), other.hardwareIds.end(),
                       [&](const std::string& id) { return Contains(ours.hardwareIds, id); });
}

Report Failed(const std::string& what, const Answer& answer) {
    return {what + ":\r\n" + answer.description, static_cast<int>(answer.error)};
}

Report Install(const std::string& inf, DriverPlatform& platform, const Progress& progress) {
    const std::string failure = "Could not install the driver package " + inf;
    DriverPackage package;
    progress("Reading the driver package " + inf + "…");
    if (Answer answer = platform.ReadPackage(inf, package); answer.error) return Failed(failure, answer);

    std::string published;
    progress("Copying the driver package into the driver store…");
    if (Answer answer = platform.Stage(inf, published); answer.error) return Failed(failure, answer);
    std::string installed = "Installed the driver package " + inf + " as " + published + ".";

    // Each board plugged in gets the driver now, unless its own suits it as well or better.
    bool bound = false, kept = false, restart = false;
    progress("Installing the driver for the boards plugged in…");
    for (const std::string& id : package.hardwareIds) {
        Answer answer = platform.Bind(inf, id, restart);
        if (answer.error == kNoSuchDevice) continue;
        if (answer.error == kNoMoreItems) {
            kept = true;
        } else if (answer.error) {
            return Failed(installed + "\r\nBut it could not be installed for the board plugged in (" + id + ")",
                          answer);
        } else {
            bound = true;
        }
    }
    std::string boards = bound  ? "The board plugged in now uses this driver."
                         : kept ? "The board plugged in keeps its driver, which suits it as well or better."
                                : "The board gets this driver when it is next plugged in.";
    return {installed + "\r\n" + boards + (restart ? "\r\nRestart Windows to finish the installation." : ""), 0};
}

Report Uninstall(const std::string& inf, DriverPlatform& platform, const Progress& progress) {
    const std::string failure = "Could not remove the driver package " + inf;
    DriverPackage package;
    progress("Reading the driver package " + inf + "…");
    if (Answer answer = platform.ReadPackage(inf, package); answer.error) return Failed(failure, answer);

    std::vector<StoredPackage> stored;
    progress("Looking for the driver package in the driver store…");
    if (Answer answer = platform.StoredPackages(stored); answer.error) return Failed(failure, answer);
    std::vector<std::string> ours;
    for (const StoredPackage& each : stored)
        if (SamePackage(package, each.package)) ours.push_back(each.publishedName);
    if (ours.empty())
        return {"The driver package " + inf + " is not installed: nothing was removed.",
                static_cast<int>(kFileNotFound)};

    // The devices first: a package still in use would stay behind them.
    std::vector<Device> devices;
    progress("Removing the driver from the devices that use it…");
    if (Answer answer = platform.Devices(devices); answer.error) return Failed(failure, answer);
    int removed = 0;
    for (const Device& device : devices) {
        if (!Contains(ours, device.infName)) continue;
        if (Answer answer = platform.RemoveDevice(device.instanceId); answer.error)
            return Failed(failure + " from the device " + device.instanceId, answer);
        ++removed;
    }
    std::string names;
    for (const std::string& name : ours) {
        progress("Removing " + name + " from the driver store…");
        if (Answer answer = platform.RemoveFromStore(name); answer.error)
            return Failed(failure + " (" + name + ")", answer);
        names += (names.empty() ? "" : ", ") + name;
    }
    std::string text = "Removed the driver package " + inf + " (" + names + ").";
    if (removed)
        text += "\r\nRemoved with it the devices that used it (" + std::to_string(removed) +
                "): a board plugged in has no driver until it is installed again.";
    return {text, 0};
}

}  // namespace

Report Register(const std::vector<std::string>& arguments, DriverPlatform& platform, const Progress& progress) {
    bool valid = arguments.size() == 3 && (Same(arguments[0], "-inf") || Same(arguments[0], "/inf")) &&
                 !arguments[1].empty() && (Same(arguments[2], "install") || Same(arguments[2], "uninstall"));
    if (!valid) return {kUsage, kBadArguments};
    // Driver installation from a 32-bit process on 64-bit Windows fails (ERROR_IN_WOW64) at
    // whichever step; the operator learns at once which medium to take.
    if (platform.IsWow64()) return {kWrongMedium, static_cast<int>(kInWow64)};
    if (!platform.IsAdministrator()) return {kNotAdministrator, static_cast<int>(kElevationRequired)};
    const std::string& inf = arguments[1];
    return Same(arguments[2], "install") ? Install(inf, platform, progress) : Uninstall(inf, platform, progress);
}
