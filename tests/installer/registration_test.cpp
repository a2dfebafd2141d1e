// The registration tool's decisions over a fake platform: a driver store, devices, catalogues and
// certificate stores, access lists and the rights the tool runs with, as Windows would answer;
// Wine shows none of these.
#include "installer/registration/registration.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const char kFolder[] = "D:\\My Setup";
const char kInf[] = "D:\\My Setup\\VL_USB.inf";
const char kCatalogue[] = "D:\\My Setup\\VL_USB.cat";
const char kOperator[] = "S-1-5-21-1-2-3-1001";
const char kSubject[] = "CN=Quarn driver package (made on this machine)";
const DriverPackage kOurs{"Quarn", {"USB\\VID_FFFF&PID_0001", "USB\\VID_FFFF&PID_0002"}, "VL_USB.cat"};
const Access kProtected{false, {{"S-1-5-18", "SYSTEM"}, {"S-1-5-32-544", "Administrators"}, {kOperator, "PC\\Ann"}}};
const Account kUsers{"S-1-5-32-545", "BUILTIN\\Users"};

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

struct FakeDevice {
    std::string instanceId;
    std::string hardwareId;
    std::string infName;
    bool betterDriver = false;  // its driver suits it better than ours
};

struct FakeCatalogue {
    std::vector<std::string> members;  // by the hashes that MemberHash gives
    Signature signature = Signature::TrustedPublisher;
};

// Every request that changes or reads the machine goes to the journal; `failures` makes one fail
// by its name. A file's member hash is made from its name: a copy has the same.
class FakePlatform final : public DriverPlatform {
public:
    bool IsWow64() const override { return wow64; }
    bool IsAdministrator() const override { return administrator; }
    bool IsWindows7() const override { return windows7; }
    bool IsWine() const override { return wine; }
    bool LoadsDllsFromSystem32Only() const override { return system32Only; }
    std::string OwnFolder() const override { return "C:\\Tools"; }
    std::string OperatorSid() const override { return kOperator; }
    Answer Inspect(const std::string& path, Access& result) override {
        journal.push_back("inspect " + path);
        if (!folders.contains(path) && !infFiles.contains(path) && !catalogues.contains(path))
            return {2, "The system cannot find the file specified."};
        result = access.contains(path) ? access[path] : kProtected;
        return {};
    }
    Answer ReadPackage(const std::string& infPath, DriverPackage& package) override {
        journal.push_back("read " + infPath);
        if (!infFiles.contains(infPath)) return {2, "The system cannot find the file specified."};
        package = infFiles[infPath];
        return {};
    }
    Answer CatalogueMembers(const std::string& path, std::vector<std::string>& hashes) override {
        if (failures.contains("catalogue members")) return failures["catalogue members"];
        hashes = catalogues[path].members;
        return {};
    }
    Answer MemberHash(const std::string& path, std::string& hash) override {
        hash = "hash of " + FileName(path);
        return {};
    }
    Answer CatalogueSignature(const std::string& path, Signature& signature) override {
        journal.push_back("check signature " + path);
        signature = catalogues[path].signature;
        return {};
    }
    Answer CopyToNewFolder(const std::vector<std::string>& files, std::string& folder) override {
        journal.push_back("copy " + FileName(files.at(0)) + " and " + FileName(files.at(1)));
        if (failures.contains("copy")) return failures["copy"];
        folder = "C:\\Temp\\Signed";
        folders.insert(folder);
        infFiles[folder + "\\" + FileName(files[0])] = infFiles[files[0]];
        catalogues[folder + "\\" + FileName(files[1])] = catalogues[files[1]];
        return {};
    }
    Answer RemoveFolder(const std::string& folder) override {
        journal.push_back("remove folder " + folder);
        folders.erase(folder);
        std::erase_if(infFiles, [&](const auto& file) { return file.first.starts_with(folder + "\\"); });
        std::erase_if(catalogues, [&](const auto& file) { return file.first.starts_with(folder + "\\"); });
        return {};
    }
    Answer MakeCertificate(const std::string& subject, Hash hash, Certificate& certificate) override {
        journal.push_back("make certificate " + subject + (hash == Hash::Sha1 ? ", SHA-1" : ", SHA-256"));
        if (failures.contains("make certificate")) return failures["make certificate"];
        std::string encoded = subject + " #" + std::to_string(++made);
        certificate = {{encoded.begin(), encoded.end()}, "key " + std::to_string(made)};
        keys.insert(certificate.keyContainer);
        return {};
    }
    Answer SignCatalogue(const std::string& path, const Certificate& signer) override {
        journal.push_back("sign " + path + " with " + signer.keyContainer);
        if (failures.contains("sign")) return failures["sign"];
        catalogues[path].signature = Signature::TrustedPublisher;
        return {};
    }
    Answer DestroyKey(const Certificate& certificate) override {
        journal.push_back("destroy " + certificate.keyContainer);
        if (failures.contains("destroy key")) return failures["destroy key"];
        keys.erase(certificate.keyContainer);
        return {};
    }
    Answer AddToTrustedStores(const Certificate& certificate) override {
        journal.push_back("trust " + Text(certificate));
        if (failures.contains("trust")) return failures["trust"];
        trusted.push_back(Text(certificate));
        return {};
    }
    Answer TrustedCertificates(const std::string& subject, std::vector<Certificate>& found) override {
        for (const std::string& each : trusted)
            if (each.starts_with(subject)) found.push_back({{each.begin(), each.end()}, ""});
        return {};
    }
    Answer RemoveFromTrustedStores(const Certificate& certificate) override {
        journal.push_back("distrust " + Text(certificate));
        std::erase(trusted, Text(certificate));
        return {};
    }
    void WaitForDeviceInstallations(unsigned long milliseconds) override {
        journal.push_back("wait " + std::to_string(milliseconds / 1000) + " s");
    }
    Answer Stage(const std::string& infPath, std::string& publishedName) override {
        journal.push_back("stage " + infPath);
        if (failures.contains("stage")) return failures["stage"];
        publishedName = "oem" + std::to_string(nextOem++) + ".inf";
        store.push_back({publishedName, infFiles[infPath]});
        return {};
    }
    Answer Bind(const std::string& infPath, const std::string& hardwareId, bool& restart) override {
        journal.push_back("bind " + hardwareId + " with " + infPath);
        if (failures.contains("bind")) return failures["bind"];
        Answer answer{kNoSuchDevice, "no such device"};
        for (FakeDevice& device : devices) {
            if (device.hardwareId != hardwareId) continue;
            if (device.betterDriver) {
                answer = {kNoMoreItems, "no more items"};
                continue;
            }
            device.infName = store.back().publishedName;  // what Stage put there from infPath
            answer = {};
            restart = restart || restartNeeded;
        }
        return answer;
    }
    Answer StoredPackages(std::vector<StoredPackage>& packages) override {
        journal.push_back("list store");
        packages = store;
        return {};
    }
    Answer Devices(std::vector<Device>& list) override {
        journal.push_back("list devices");
        for (const FakeDevice& device : devices) list.push_back({device.instanceId, device.infName});
        return {};
    }
    Answer RemoveDevice(const std::string& instanceId, bool& restart) override {
        journal.push_back("remove device " + instanceId);
        if (failures.contains("remove device")) return failures["remove device"];
        std::erase_if(devices, [&](const FakeDevice& device) { return device.instanceId == instanceId; });
        restart = restart || restartNeeded;
        return {};
    }
    Answer RemoveFromStore(const std::string& publishedName) override {
        journal.push_back("remove " + publishedName);
        std::erase_if(store, [&](const StoredPackage& package) { return package.publishedName == publishedName; });
        return {};
    }

    static std::string Text(const Certificate& certificate) { return {certificate.encoded.begin(), certificate.encoded.end()}; }

    bool wow64 = false;
    bool administrator = true;
    bool windows7 = false;
    bool wine = false;
    bool system32Only = true;
    bool restartNeeded = false;
    int nextOem = 3;
    int made = 0;
    std::set<std::string> folders{kFolder, ".", "C:\\Tools"};
    std::map<std::string, Access> access;
    std::map<std::string, DriverPackage> infFiles{{kInf, kOurs}};
    std::map<std::string, FakeCatalogue> catalogues{{kCatalogue, {{"hash of VL_USB.inf"}}}};
    std::set<std::string> keys;
    std::vector<std::string> trusted;  // in both stores
    std::vector<StoredPackage> store;
    std::vector<FakeDevice> devices;
    std::map<std::string, Answer> failures;
    std::vector<std::string> journal;
};

class Registration : public testing::Test {
protected:
    Report Run(const std::vector<std::string>& arguments) {
        return Register(arguments, platform, [&](const std::string& step) { steps.push_back(step); });
    }
    Report Install() { return Run({"-inf", kInf, "install"}); }
    Report Uninstall() { return Run({"-inf", kInf, "uninstall"}); }

    std::vector<std::string> StoreNames() const {
        std::vector<std::string> names;
        for (const StoredPackage& package : platform.store) names.push_back(package.publishedName);
        return names;
    }

    FakePlatform platform;
    std::vector<std::string> steps;
};

using Strings = std::vector<std::string>;

const Strings kChecks = {"inspect D:\\My Setup\\VL_USB.inf", "inspect D:\\My Setup", "read D:\\My Setup\\VL_USB.inf",
                         "inspect D:\\My Setup\\VL_USB.cat", "check signature D:\\My Setup\\VL_USB.cat"};

Strings Then(Strings first, const Strings& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST_F(Registration, WrongArgumentsShowTheUsageAndTouchNothing) {
    const std::vector<Strings> wrong = {
        {},
        {"-inf"},
        {"-inf", "D:\\VL_USB.inf"},
        {"-inf", "", "install"},
        {"-inf", "D:\\VL_USB.inf", "remove"},
        {"-file", "D:\\VL_USB.inf", "install"},
        {"D:\\VL_USB.inf", "-inf", "install"},
        {"-inf", "D:\\VL_USB.inf", "install", "now"},
    };
    platform.wow64 = true;  // the usage comes first
    for (const auto& arguments : wrong) {
        Report report = Run(arguments);
        EXPECT_TRUE(report.text.starts_with("Usage: wdreg_gui.exe -inf <INF file> install|uninstall")) << report.text;
        EXPECT_EQ(report.exitCode, kBadArguments);
    }
    EXPECT_TRUE(platform.journal.empty());
}

// Neither a 32-bit tool on 64-bit Windows nor one without administrator rights does any driver work.
TEST_F(Registration, WrongMediumAndMissingRightsAreToldBeforeAnyWork) {
    struct Refusal {
        bool wow64;
        const char* option;      // in either form
        const char* actions[2];  // in any case
        const char* text;
        unsigned long exitCode;
    };
    const Refusal refusals[] = {
        {true, "/INF", {"install", "Uninstall"},
         "This is the 32-bit medium, but this Windows is 64-bit: a 32-bit program cannot install or remove drivers "
         "here.\r\nUse wdreg_gui.exe from the 64-bit medium.",
         kInWow64},
        {false, "-inf", {"install", "uninstall"},
         "Installing or removing a driver needs administrator rights.\r\nStart wdreg_gui.exe again as an administrator.",
         kElevationRequired},
    };
    platform.administrator = false;
    for (const Refusal& refusal : refusals) {
        platform.wow64 = refusal.wow64;
        for (const char* action : refusal.actions) {
            Report report = Run({refusal.option, kInf, action});
            EXPECT_EQ(report.text, refusal.text);
            EXPECT_EQ(static_cast<unsigned>(report.exitCode), refusal.exitCode);
        }
    }
    EXPECT_TRUE(platform.journal.empty());
    EXPECT_TRUE(steps.empty());
}

// Whatever others than the administrators and the operator could change, the tool refuses,
// before it reads the INF file; on a read-only medium nobody can change it.
TEST_F(Registration, PackageThatOthersCanChangeIsRefused) {
    const char* const paths[] = {kInf, kFolder, kCatalogue};
    for (const char* path : paths) {
        platform.access = {{path, {false, {kProtected.writers[0], kUsers, {"S-1-5-11", "NT AUTHORITY\\Authenticated Users"}}}}};
        for (const char* action : {"install", "uninstall"}) {
            if (path == kCatalogue && action == std::string("uninstall")) continue;  // uninstall reads no catalogue
            platform.journal.clear();
            Report report = Run({"-inf", kInf, action});
            EXPECT_EQ(report.text, "Others than the administrators and you can change " + std::string(path) +
                                       " (BUILTIN\\Users, NT AUTHORITY\\Authenticated Users): the tool did nothing.\r\n"
                                       "Run wdreg_gui.exe from the medium itself (the CD), or from a folder that only "
                                       "administrators can change.");
            EXPECT_EQ(static_cast<unsigned>(report.exitCode), kNotTrusted);
            EXPECT_EQ(platform.journal.back(), "inspect " + std::string(path));
        }
    }
    EXPECT_TRUE(platform.store.empty());

    // A CD: its files show an access list that lets everybody write, and nobody can.
    for (const char* path : paths) platform.access[path] = {true, {kUsers}};
    EXPECT_EQ(Install().exitCode, 0);
    // TrustedInstaller and the operator may change them.
    for (const char* path : paths)
        platform.access[path] = {false, {{"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                          "NT SERVICE\\TrustedInstaller"}, {kOperator, "PC\\Ann"}}};
    EXPECT_EQ(Install().exitCode, 0);
}

// Without KB2533623 Windows 7 would load DLLs from the tool's own folder too: the tool runs only
// where nobody else could put one there.
TEST_F(Registration, ToolInAFolderOthersCanChangeRefusesWhereDllsComeFromItsFolder) {
    platform.access["C:\\Tools"] = {false, {kUsers}};
    EXPECT_EQ(Install().exitCode, 0);  // System32 alone: the folder does not matter
    EXPECT_EQ(platform.journal.front(), "inspect D:\\My Setup\\VL_USB.inf");

    platform.system32Only = false;
    platform.journal.clear();
    Report report = Uninstall();
    EXPECT_EQ(report.text, "Others than the administrators and you can change the folder that wdreg_gui.exe runs from, "
                           "C:\\Tools (BUILTIN\\Users), and this Windows lacks the update KB2533623 that keeps programs "
                           "from loading DLLs from there: the tool did nothing.\r\nRun wdreg_gui.exe from the medium "
                           "itself (the CD), or from a folder that only administrators can change.");
    EXPECT_EQ(static_cast<unsigned>(report.exitCode), kNotTrusted);
    EXPECT_EQ(platform.journal, Strings{"inspect C:\\Tools"});

    platform.access.clear();
    EXPECT_EQ(Install().exitCode, 0);
}

// A catalogue signed by a trusted publisher: the package goes to Windows as it is, after the
// devices have settled.
TEST_F(Registration, InstallStagesThePackageAndBindsTheBoardPluggedIn) {
    platform.devices = {{"USB\\VID_FFFF&PID_0002\\5&1", "USB\\VID_FFFF&PID_0002", ""},
                        {"USB\\VID_0001&PID_0001\\7&2", "USB\\VID_0001&PID_0001", "oem1.inf"}};
    Report report = Install();
    EXPECT_EQ(platform.journal, Then(kChecks, {"stage D:\\My Setup\\VL_USB.inf", "wait 60 s",
                                               "bind USB\\VID_FFFF&PID_0001 with D:\\My Setup\\VL_USB.inf",
                                               "bind USB\\VID_FFFF&PID_0002 with D:\\My Setup\\VL_USB.inf"}));
    EXPECT_EQ(platform.devices[0].infName, "oem3.inf");
    EXPECT_EQ(platform.devices[1].infName, "oem1.inf");
    EXPECT_EQ(report.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem3.inf.\r\n"
                           "The board plugged in now uses this driver.");
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(steps, (Strings{"Checking who can change the driver package…",
                              "Reading the driver package D:\\My Setup\\VL_USB.inf…",
                              "Checking the signature of the driver package's catalogue…",
                              "Copying the driver package into the driver store…",
                              "Waiting for Windows to finish installing devices…",
                              "Installing the driver for the boards plugged in…"}));
}

TEST_F(Registration, InstallSaysWhatTheBoardsGet) {
    EXPECT_EQ(Install().text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem3.inf.\r\n"
                              "The board gets this driver when it is next plugged in.");
    platform.devices = {{"USB\\VID_FFFF&PID_0001\\5&1", "USB\\VID_FFFF&PID_0001", "oem9.inf", true}};
    Report kept = Install();
    EXPECT_EQ(kept.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem4.inf.\r\n"
                         "The board plugged in keeps its driver, which suits it as well or better.");
    EXPECT_EQ(kept.exitCode, 0);
    platform.devices[0].betterDriver = false;
    platform.restartNeeded = true;
    EXPECT_TRUE(Install().text.ends_with("now uses this driver.\r\nRestart Windows to finish the installation."));
}

// Signed by the maker's certificate, which chains to a trusted root but is no trusted publisher
// yet: Windows asks the operator, and the tool lets it.
TEST_F(Registration, MakersCertificateNotYetTrustedIsLeftToWindowsToAsk) {
    platform.catalogues[kCatalogue].signature = Signature::TrustedRoot;
    Report report = Install();
    EXPECT_EQ(report.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem3.inf.\r\n"
                           "The board gets this driver when it is next plugged in.");
    EXPECT_EQ(platform.journal[5], "stage D:\\My Setup\\VL_USB.inf");
    EXPECT_EQ(steps[3], "Copying the driver package into the driver store (Windows asks whether to trust its "
                        "publisher)…");
    EXPECT_EQ(platform.made, 0);

    // The operator declines.
    platform.failures["stage"] = {kPublisherRefused, "The publisher of an Authenticode(tm) signed catalog was not "
                                                     "established as trusted."};
    EXPECT_EQ(Install().text, "Could not install the driver package D:\\My Setup\\VL_USB.inf:\r\nThe publisher of an "
                              "Authenticode(tm) signed catalog was not established as trusted.\r\nWindows did not "
                              "install the package because its publisher was not accepted as trusted; install again "
                              "and choose Install when Windows asks about the publisher.");
}

// Unsigned (or chaining to no trusted root): a copy signed for this machine alone, with a new
// certificate whose key is destroyed before Windows trusts it, goes to Windows; its folder goes
// afterwards. Windows 7 needs a SHA-1 root.
TEST_F(Registration, UnsignedPackageIsSignedForThisMachineAlone) {
    platform.catalogues[kCatalogue].signature = Signature::None;
    platform.devices = {{"USB\\A", "USB\\VID_FFFF&PID_0001", ""}};
    for (bool windows7 : {false, true}) {
        platform.windows7 = windows7;
        platform.journal.clear();
        Report report = Install();
        std::string certificate = kSubject + std::string(" #") + std::to_string(platform.made);
        std::string key = "key " + std::to_string(platform.made);
        EXPECT_EQ(platform.journal,
                  Then(kChecks, {"copy VL_USB.inf and VL_USB.cat",
                                 std::string("make certificate ") + kSubject + (windows7 ? ", SHA-1" : ", SHA-256"),
                                 "sign C:\\Temp\\Signed\\VL_USB.cat with " + key, "destroy " + key,
                                 "trust " + certificate, "stage C:\\Temp\\Signed\\VL_USB.inf", "wait 60 s",
                                 "bind USB\\VID_FFFF&PID_0001 with C:\\Temp\\Signed\\VL_USB.inf",
                                 "bind USB\\VID_FFFF&PID_0002 with C:\\Temp\\Signed\\VL_USB.inf",
                                 "remove folder C:\\Temp\\Signed"}));
        EXPECT_EQ(report.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem" +
                                   std::to_string(platform.nextOem - 1) +
                                   ".inf.\r\nThe board plugged in now uses this driver.\r\nIts catalogue bore no "
                                   "signature that Windows trusts, so the tool signed a copy for this machine alone, "
                                   "with a certificate made here that this machine now trusts and whose private key "
                                   "the tool destroyed at once.");
        EXPECT_EQ(report.exitCode, 0);
        EXPECT_EQ(platform.trusted.back(), certificate);
        EXPECT_TRUE(platform.keys.empty());
        EXPECT_FALSE(platform.folders.contains("C:\\Temp\\Signed"));
        EXPECT_EQ(platform.catalogues[kCatalogue].signature, Signature::None);  // the medium's stays as it is
    }
}

// A step of the signing that fails leaves nothing of it (no folder, key or trusted certificate),
// and the package goes to Windows as it stands: Windows 7 asks, later versions refuse.
TEST_F(Registration, SigningThatFailsLeavesNothingBehind) {
    platform.catalogues[kCatalogue].signature = Signature::None;
    const std::pair<const char*, const char*> steps[] = {
        {"copy", "copying the package"},
        {"make certificate", "making a certificate"},
        {"sign", "signing the catalogue"},
        {"destroy key", "destroying the certificate's key"},
        {"trust", "adding the certificate to the machine's trusted ones"},
    };
    for (auto [failure, step] : steps) {
        platform.failures = {{failure, {0x80004001, "Not implemented."}}};
        platform.keys.clear();
        platform.journal.clear();
        Report report = Install();
        EXPECT_EQ(report.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem" +
                                   std::to_string(platform.nextOem - 1) +
                                   ".inf.\r\nThe board gets this driver when it is next plugged in.\r\nThe package went "
                                   "to Windows as it stands: its catalogue D:\\My Setup\\VL_USB.cat bears no signature "
                                   "that Windows trusts, and signing it on this machine failed (" +
                                   step + ": Not implemented.); nothing of that was kept.");
        EXPECT_TRUE(std::find(platform.journal.begin(), platform.journal.end(), "stage D:\\My Setup\\VL_USB.inf") !=
                    platform.journal.end());
        EXPECT_TRUE(platform.trusted.empty()) << failure;
        EXPECT_TRUE(platform.keys.size() == (failure == std::string("destroy key") ? 1u : 0u)) << failure;
        EXPECT_FALSE(platform.folders.contains("C:\\Temp\\Signed")) << failure;
    }

    // Windows refuses the signed copy as well: its certificate goes again.
    platform.failures = {{"stage", {kStoreAddFailed, "A problem was encountered while attempting to add the driver to "
                                                     "the store."}}};
    Report refused = Install();
    EXPECT_EQ(refused.text, "Could not install the driver package D:\\My Setup\\VL_USB.inf:\r\nA problem was "
                            "encountered while attempting to add the driver to the store.\r\nWindows could not add the "
                            "package to its driver store, most often because it refused the catalogue's signature; the "
                            "reason is in the log %WINDIR%\\INF\\setupapi.dev.log.\r\nIts catalogue bears no signature "
                            "that Windows trusts; Windows refused the copy that the tool signed for this machine too, "
                            "and the certificate made for it was removed again.");
    EXPECT_EQ(static_cast<unsigned>(refused.exitCode), kStoreAddFailed);
    EXPECT_TRUE(platform.trusted.empty());
    EXPECT_FALSE(platform.folders.contains("C:\\Temp\\Signed"));
}

// The tool signs nothing that the catalogue lists besides the INF file as it is now.
TEST_F(Registration, CatalogueThatIsNotTheINFsAloneIsNotSignedHere) {
    const std::pair<FakeCatalogue, const char*> catalogues[] = {
        {{{"hash of another.inf"}, Signature::None}, "does not list the INF file as it is now."},
        {{{"hash of another.inf"}, Signature::TrustedPublisher}, "does not list the INF file as it is now."},
        {{{"hash of VL_USB.inf", "hash of other.sys"}, Signature::None},
         "bears no signature that Windows trusts, and lists more than the INF file, so the tool does not sign it on "
         "this machine."},
    };
    for (const auto& [catalogue, why] : catalogues) {
        platform.catalogues[kCatalogue] = catalogue;
        Report report = Install();
        EXPECT_TRUE(report.text.ends_with(
            "\r\nThe package went to Windows as it stands: its catalogue D:\\My Setup\\VL_USB.cat " + std::string(why)))
            << report.text;
        EXPECT_EQ(platform.made, 0);
    }
    platform.failures["catalogue members"] = {0x80092009, "Cannot find the requested object."};
    EXPECT_TRUE(Install().text.ends_with("its catalogue D:\\My Setup\\VL_USB.cat could not be checked (Cannot find the "
                                         "requested object.)."));
}

// Any version of the package that Windows published for other makers (oem*.inf): the same provider
// and a hardware ID in common, whatever else changed. Wine keeps a package's own name.
TEST_F(Registration, UninstallFindsEveryVersionAndTheDevicesThatUseIt) {
    platform.store = {
        {"oem2.inf", {"QUARN", {"usb\\vid_ffff&pid_0001"}, ""}},          // an older version
        {"oem5.inf", {"Another maker", {"USB\\VID_FFFF&PID_0001"}, ""}},  // another maker's, same board
        {"oem7.inf", {"Quarn", {"USB\\VID_FFFF&PID_0009"}, ""}},          // ours, for another board
        {"oem9.inf", kOurs},                                              // this version
        {"usb.inf", {"Quarn", {"USB\\VID_FFFF&PID_0001"}, ""}},           // not published for a maker
        {"oem1.inf.bak", kOurs}, {"oem.inf", kOurs}, {"oemx1.inf", kOurs},
    };
    platform.devices = {{"USB\\A", "USB\\VID_FFFF&PID_0001", "OEM2.INF"},
                        {"USB\\B", "USB\\VID_FFFF&PID_0001", "oem5.inf"},
                        {"ROOT\\C", "ROOT\\C", ""}};
    Report report = Uninstall();
    EXPECT_EQ(platform.journal, (Strings{"inspect D:\\My Setup\\VL_USB.inf", "inspect D:\\My Setup",
                                         "read D:\\My Setup\\VL_USB.inf", "list store", "wait 60 s", "list devices",
                                         "remove device USB\\A", "remove oem2.inf", "remove oem9.inf"}));
    EXPECT_EQ(StoreNames(), (Strings{"oem5.inf", "oem7.inf", "usb.inf", "oem1.inf.bak", "oem.inf", "oemx1.inf"}));
    EXPECT_EQ(report.text, "Removed the driver package D:\\My Setup\\VL_USB.inf (oem2.inf, oem9.inf).\r\n"
                           "Removed with it the devices that used it (1): a board plugged in has no driver until it "
                           "is installed again.");
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(steps.back(), "Removing oem9.inf from the driver store…");

    // Nothing of ours left: "not installed", and nothing is touched.
    platform.journal.clear();
    Report none = Uninstall();
    EXPECT_EQ(none.text, "The driver package D:\\My Setup\\VL_USB.inf is not installed: nothing was removed.");
    EXPECT_EQ(static_cast<unsigned>(none.exitCode), kFileNotFound);
    EXPECT_EQ(platform.journal.back(), "list store");

    platform.wine = true;
    EXPECT_EQ(Uninstall().text, "Removed the driver package D:\\My Setup\\VL_USB.inf (usb.inf, oem1.inf.bak, oem.inf, "
                                "oemx1.inf).");
}

// The certificates that installs made go with the package, and without it too; a device that
// a program still holds open needs a restart to go.
TEST_F(Registration, UninstallRemovesTheCertificatesMadeForThePackage) {
    platform.catalogues[kCatalogue].signature = Signature::None;
    Install();
    Install();
    platform.trusted.push_back("CN=Another maker #1");
    platform.devices = {{"USB\\A", "USB\\VID_FFFF&PID_0001", "oem3.inf"}};
    platform.restartNeeded = true;
    Report report = Uninstall();
    EXPECT_EQ(report.text, "Removed the driver package D:\\My Setup\\VL_USB.inf (oem3.inf, oem4.inf).\r\n"
                           "Removed with it the devices that used it (1): a board plugged in has no driver until it "
                           "is installed again.\r\nRemoved the certificates made for it on this machine (2).\r\n"
                           "Restart Windows to finish removing the driver.");
    EXPECT_EQ(platform.trusted, Strings{"CN=Another maker #1"});

    // Left behind by a package that went another way.
    platform.trusted.push_back(kSubject + std::string(" #9"));
    EXPECT_EQ(Uninstall().text, "The driver package D:\\My Setup\\VL_USB.inf is not installed.\r\n"
                                "Removed the certificates made for it on this machine (1).");
    EXPECT_EQ(platform.trusted, Strings{"CN=Another maker #1"});
}

TEST_F(Registration, FailureShowsThePlatformsTextAndExitsWithItsCode) {
    Report missing = Run({"-inf", "a.inf", "uninstall"});
    EXPECT_EQ(missing.text, "Could not remove the driver package a.inf:\r\nThe system cannot find the file specified.");
    EXPECT_EQ(missing.exitCode, 2);

    // The catalogue that the INF file names is told as missing.
    platform.catalogues.clear();
    Report noCatalogue = Install();
    EXPECT_EQ(noCatalogue.text, "Could not install the driver package D:\\My Setup\\VL_USB.inf: its catalogue "
                                "D:\\My Setup\\VL_USB.cat is missing:\r\nThe system cannot find the file specified.");
    EXPECT_EQ(noCatalogue.exitCode, 2);
    EXPECT_TRUE(platform.store.empty());

    // Each signing error of the Setup API comes with a sentence of what the operator can do.
    platform.infFiles[kInf].catalogue = "";
    const std::pair<unsigned long, const char*> refusals[] = {
        {kNoCatalogue, "Windows refused the package because it has no signed catalogue that Windows can use; install "
                       "from a signed release of the medium, with the catalogue beside the INF file."},
        {kNoAuthenticode, "Windows refused the package because its catalogue bears no Authenticode signature that "
                          "Windows accepts; install from a signed release of the medium."},
        {kNotInCatalogue, "Windows refused the package because its catalogue does not list the INF file as it is now; "
                          "use the INF file and its catalogue unchanged from the medium."},
    };
    for (auto [error, advice] : refusals) {
        platform.failures["stage"] = {error, "Windows' text."};
        Report refused = Install();
        EXPECT_EQ(refused.text, "Could not install the driver package D:\\My Setup\\VL_USB.inf:\r\nWindows' text.\r\n" +
                                    std::string(advice));
        EXPECT_EQ(static_cast<unsigned>(refused.exitCode), error);
    }

    platform.failures = {{"bind", {5, "Access is denied."}}};
    Report unbound = Install();
    EXPECT_EQ(unbound.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem3.inf.\r\nBut it could not "
                            "be installed for the board plugged in (USB\\VID_FFFF&PID_0001):\r\nAccess is denied.");
    EXPECT_EQ(unbound.exitCode, 5);

    // A device that cannot be removed keeps its package in the store.
    platform.failures = {{"remove device", {5, "Access is denied."}}};
    platform.devices = {{"USB\\A", "USB\\VID_FFFF&PID_0001", "oem3.inf"}};
    Report kept = Uninstall();
    EXPECT_EQ(kept.text, "Could not remove the driver package D:\\My Setup\\VL_USB.inf from the device USB\\A:\r\n"
                         "Access is denied.");
    EXPECT_EQ(kept.exitCode, 5);
    EXPECT_EQ(StoreNames(), (Strings{"oem3.inf"}));
}

}  // namespace
