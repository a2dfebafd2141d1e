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
    std::string catalogue;                 // the file name of its catalogue; empty if it names none
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

// An account by its security identifier ("S-1-5-18") and its name for people.
struct Account {
    std::string sid;
    std::string name;
};

// Who could change a file or folder: the accounts whose rights let them write it, rename or
// delete it, or change its access list or owner (its owner among them).
struct Access {
    bool readOnlyMedium = false;  // a CD, say: nobody can change it, whatever its access list says
    std::vector<Account> writers;
};

// What a catalogue's signature is worth on this machine.
enum class Signature {
    None,              // unsigned, or not chaining to a trusted root
    TrustedRoot,       // chains to a trusted root; its publisher is not yet a trusted one
    TrustedPublisher,  // and its publisher is trusted too
};

enum class Hash { Sha1, Sha256 };

// A certificate that the tool made, and the key container of its private key.
struct Certificate {
    std::vector<unsigned char> encoded;
    std::string keyContainer;
};

class DriverPlatform {
public:
    virtual ~DriverPlatform() = default;
    // A 32-bit program on 64-bit Windows, which cannot install drivers.
    virtual bool IsWow64() const = 0;
    // Whether the program runs with administrator rights (elevated, under UAC).
    virtual bool IsAdministrator() const = 0;
    virtual bool IsWindows7() const = 0;
    // Wine, whose driver store keeps a package's own file name where Windows names it oem<n>.inf.
    virtual bool IsWine() const = 0;
    // Whether DLLs are loaded from System32 alone, or also from the program's own folder.
    virtual bool LoadsDllsFromSystem32Only() const = 0;
    virtual std::string OwnFolder() const = 0;
    // The account the program runs as: the operator who consented.
    virtual std::string OperatorSid() const = 0;
    // Who could change the file or folder. From then on the tool holds it open, so that nobody
    // can change, rename or delete it until the tool ends.
    virtual Answer Inspect(const std::string& path, Access& access) = 0;

    virtual Answer ReadPackage(const std::string& infPath, DriverPackage& package) = 0;
    // The hashes a catalogue lists its members by, and the hash it would list a file by.
    virtual Answer CatalogueMembers(const std::string& cataloguePath, std::vector<std::string>& hashes) = 0;
    virtual Answer MemberHash(const std::string& path, std::string& hash) = 0;
    virtual Answer CatalogueSignature(const std::string& cataloguePath, Signature& signature) = 0;

    // Copies the files into a new folder that only administrators can change; none on failure.
    virtual Answer CopyToNewFolder(const std::vector<std::string>& files, std::string& folder) = 0;
    // Removes the folder and the files in it.
    virtual Answer RemoveFolder(const std::string& folder) = 0;
    // A new self-signed certificate for code signing only, with its key pair.
    virtual Answer MakeCertificate(const std::string& subject, Hash hash, Certificate& certificate) = 0;
    virtual Answer SignCatalogue(const std::string& cataloguePath, const Certificate& signer) = 0;
    virtual Answer DestroyKey(const Certificate& certificate) = 0;
    // The local machine's Root and TrustedPublisher stores: into both, or into neither.
    virtual Answer AddToTrustedStores(const Certificate& certificate) = 0;
    virtual Answer TrustedCertificates(const std::string& subject, std::vector<Certificate>& certificates) = 0;
    virtual Answer RemoveFromTrustedStores(const Certificate& certificate) = 0;

    // Waits until Windows has no device installation pending, or the time is up.
    virtual void WaitForDeviceInstallations(unsigned long milliseconds) = 0;
    // Copies the package into the driver store, from where the board gets it when plugged in.
    virtual Answer Stage(const std::string& infPath, std::string& publishedName) = 0;
    // Installs the package on the devices present with this hardware ID, where it matches them
    // better than their driver does; restart tells whether Windows must restart to finish.
    virtual Answer Bind(const std::string& infPath, const std::string& hardwareId, bool& restart) = 0;
    virtual Answer StoredPackages(std::vector<StoredPackage>& packages) = 0;
    virtual Answer Devices(std::vector<Device>& devices) = 0;
    virtual Answer RemoveDevice(const std::string& instanceId, bool& restart) = 0;
    virtual Answer RemoveFromStore(const std::string& publishedName) = 0;
};

struct Report {
    std::string text;  // for the tool's window
    int exitCode;      // 0, or the platform's error code
};

// The platform's codes that the decisions read or give.
inline constexpr int kBadArguments = 87;                        // ERROR_INVALID_PARAMETER
inline constexpr unsigned long kFileNotFound = 2;               // ERROR_FILE_NOT_FOUND
inline constexpr unsigned long kNoMoreItems = 259;              // ERROR_NO_MORE_ITEMS
inline constexpr unsigned long kElevationRequired = 740;        // ERROR_ELEVATION_REQUIRED
inline constexpr unsigned long kNotTrusted = 0x800B0004;        // TRUST_E_SUBJECT_NOT_TRUSTED
inline constexpr unsigned long kNoSuchDevice = 0xE000020B;      // ERROR_NO_SUCH_DEVINST
inline constexpr unsigned long kNoCatalogue = 0xE000022F;       // ERROR_NO_CATALOG_FOR_OEM_INF
inline constexpr unsigned long kInWow64 = 0xE0000235;           // ERROR_IN_WOW64
inline constexpr unsigned long kNoAuthenticode = 0xE000023F;    // ERROR_NO_AUTHENTICODE_CATALOG
inline constexpr unsigned long kPublisherRefused = 0xE0000243;  // ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED
inline constexpr unsigned long kStoreAddFailed = 0xE0000247;    // ERROR_DRIVER_STORE_ADD_FAILED
inline constexpr unsigned long kNotInCatalogue = 0xE000024B;    // ERROR_FILE_HASH_NOT_IN_CATALOG

// Tells what the tool is doing now, for its window.
using Progress = std::function<void(const std::string& step)>;

// The arguments after the program name.
Report Register(const std::vector<std::string>& arguments, DriverPlatform& platform, const Progress& progress);
