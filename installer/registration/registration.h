// The registration tool's work: read "-inf <path> install|uninstall", install the driver package
// that the INF file describes and bind it to the boards plugged in, or find every version of that
// package in the driver store and remove it, and say what came of it. The decisions are here; the
// platform answers through DriverPlatform.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The platform's answer to one request.
struct Answer {
    unsigned long error = 0;  // 0 for success, else the platform's error code
    std::string description;  // the platform's text for the error
};

// What an INF file says about the package it describes.
struct DriverPackage {
    std::string provider;
    std::vector<std::string> hardwareIds;  // of all its models sections
};

// A package in the driver store, by the name the store published it under ("oem3.inf").
struct StoredPackage {
    std::string publishedName;
    DriverPackage package;
};

// A device node, present or not, and the published name of its driver's package (empty without
// a driver).
struct Device {
    std::string instanceId;
    std::string infName;
};

class DriverPlatform {
public:
    virtual ~DriverPlatform() = default;
    // A 32-bit program on 64-bit Windows, which cannot install drivers.
    virtual bool IsWow64() const = 0;
    // Whether the program runs with administrator rights (elevated, under UAC).
    virtual bool IsAdministrator() const = 0;
    virtual Answer ReadPackage(const std::string& infPath, DriverPackage& package) = 0;
    // Copies the package into the driver store, from where the board gets it when plugged in.
    virtual Answer Stage(const std::string& infPath, std::string& publishedName) = 0;
    // Installs the package on the devices present with this hardware ID, where it matches them
    // better than their driver does; restart tells whether Windows must restart to finish.
    virtual Answer Bind(const std::string& infPath, const std::string& hardwareId, bool& restart) = 0;
    virtual Answer StoredPackages(std::vector<StoredPackage>& packages) = 0;
    virtual Answer Devices(std::vector<Device>& devices) = 0;
    virtual Answer RemoveDevice(const std::string& instanceId) = 0;
    virtual Answer RemoveFromStore(const std::string& publishedName) = 0;
};

struct Report {
    std::string text;  // for the tool's window
    int exitCode;      // 0, or the platform's error code
};

// The platform's codes that the decisions read or give.
inline constexpr int kBadArguments = 87;                      // ERROR_INVALID_PARAMETER
inline constexpr unsigned long kFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
inline constexpr unsigned long kNoMoreItems = 259;            // ERROR_NO_MORE_ITEMS
inline constexpr unsigned long kElevationRequired = 740;      // ERROR_ELEVATION_REQUIRED
inline constexpr unsigned long kNoSuchDevice = 0xE000020B;    // ERROR_NO_SUCH_DEVINST
inline constexpr unsigned long kInWow64 = 0xE0000235;         // ERROR_IN_WOW64

// Tells what the tool is doing now, for its window.
using Progress = std::function<void(const std::string& step)>;

// The arguments after the program name.
Report Register(const std::vector<std::string>& arguments, DriverPlatform& platform, const Progress& progress);
