// The registration tool's work: read "-inf <path> install|uninstall", have the platform's driver
// store install or remove that driver package, and say what came of it.
#pragma once

#include <string>
#include <vector>

// What the platform's driver installation answered.
struct StoreResult {
    unsigned long error = 0;  // 0 for success, else the platform's error code
    std::string description;  // the platform's text for the error
    std::string publishedName;  // the store's name for the package, such as "oem3.inf"
};

class DriverStore {
public:
    virtual ~DriverStore() = default;
    virtual StoreResult Install(const std::string& infPath) = 0;
    virtual StoreResult Uninstall(const std::string& infPath) = 0;
};

struct Report {
    std::string text;  // for the tool's window
    int exitCode;      // 0, or the platform's error code
};

inline constexpr int kBadArguments = 87;  // the platform's "The parameter is incorrect."

// The arguments after the program name.
Report Register(const std::vector<std::string>& arguments, DriverStore& store);
