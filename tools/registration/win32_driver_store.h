// The platform's driver store, through the Setup API: install places the driver package in the
// store, from where the platform gives it to the board whenever the board is plugged in; uninstall
// takes it out again.
#pragma once

#include "tools/registration/registration.h"

class Win32DriverStore final : public DriverStore {
public:
    StoreResult Install(const std::string& infPath) override;
    StoreResult Uninstall(const std::string& infPath) override;
};
