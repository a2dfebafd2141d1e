// The platform of the registration tool on Win32: the Setup API for INF files, the driver store
// and the device nodes, newdev.dll (loaded from System32) to bind a package to the devices present.
#pragma once

#include "installer/registration/registration.h"

#include "win32/form.h"

class Win32DriverPlatform final : public DriverPlatform {
public:
    // The owner's window owns whatever Windows shows while it installs.
    explicit Win32DriverPlatform(const win32::Form& owner) : owner_(owner) {}

    bool IsWow64() const override;
    bool IsAdministrator() const override;
    Answer ReadPackage(const std::string& infPath, DriverPackage& package) override;
    Answer Stage(const std::string& infPath, std::string& publishedName) override;
    Answer Bind(const std::string& infPath, const std::string& hardwareId, bool& restart) override;
    Answer StoredPackages(std::vector<StoredPackage>& packages) override;
    Answer Devices(std::vector<Device>& devices) override;
    Answer RemoveDevice(const std::string& instanceId) override;
    Answer RemoveFromStore(const std::string& publishedName) override;

private:
    const win32::Form& owner_;
};
