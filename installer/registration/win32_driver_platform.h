// The platform of the registration tool on Win32: the Setup API for INF files, the driver store
// and the device nodes, newdev.dll and cfgmgr32.dll (loaded from System32) to bind a package to
// the devices present and to wait for them; access lists (win32_access.cpp); catalogues,
// certificates and signing (win32_signing.cpp).
#pragma once

#include "installer/registration/registration.h"

#include "win32/form.h"

#include <vector>

class Win32DriverPlatform final : public DriverPlatform {
public:
    // The owner's window owns whatever Windows shows while it installs. dllsFromSystem32Only is
    // what win32::LoadDllsFromSystem32Only said.
    Win32DriverPlatform(const win32::Form& owner, bool dllsFromSystem32Only)
        : owner_(owner), dllsFromSystem32Only_(dllsFromSystem32Only) {}
    ~Win32DriverPlatform() override;
    Win32DriverPlatform(const Win32DriverPlatform&) = delete;
    Win32DriverPlatform& operator=(const Win32DriverPlatform&) = delete;

    bool IsWow64() const override;
    bool IsAdministrator() const override;
    bool IsWindows7() const override;
    bool IsWine() const override;
    bool LoadsDllsFromSystem32Only() const override { return dllsFromSystem32Only_; }
    std::string OwnFolder() const override;
    std::string OperatorSid() const override;
    Answer Inspect(const std::string& path, Access& access) override;
    Answer ReadPackage(const std::string& infPath, DriverPackage& package) override;
    Answer CatalogueMembers(const std::string& cataloguePath, std::vector<std::string>& hashes) override;
    Answer MemberHash(const std::string& path, std::string& hash) override;
    Answer CatalogueSignature(const std::string& cataloguePath, Signature& signature) override;
    Answer CopyToNewFolder(const std::vector<std::string>& files, std::string& folder) override;
    Answer RemoveFolder(const std::string& folder) override;
    Answer MakeCertificate(const std::string& subject, Hash hash, Certificate& certificate) override;
    Answer SignCatalogue(const std::string& cataloguePath, const Certificate& signer) override;
    Answer DestroyKey(const Certificate& certificate) override;
    Answer AddToTrustedStores(const Certificate& certificate) override;
    Answer TrustedCertificates(const std::string& subject, std::vector<Certificate>& certificates) override;
    Answer RemoveFromTrustedStores(const Certificate& certificate) override;
    void WaitForDeviceInstallations(unsigned long milliseconds) override;
    Answer Stage(const std::string& infPath, std::string& publishedName) override;
    Answer Bind(const std::string& infPath, const std::string& hardwareId, bool& restart) override;
    Answer StoredPackages(std::vector<StoredPackage>& packages) override;
    Answer Devices(std::vector<Device>& devices) override;
    Answer RemoveDevice(const std::string& instanceId, bool& restart) override;
    Answer RemoveFromStore(const std::string& publishedName) override;

private:
    const win32::Form& owner_;
    const bool dllsFromSystem32Only_;
    std::vector<HANDLE> held_;  // what Inspect looked at, so that it stays as it was
};
