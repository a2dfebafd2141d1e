// The registration tool's decisions over a fake platform: a driver store, devices and the rights
// the tool runs with, as Windows would answer; Wine shows none of these.
#include "installer/registration/registration.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const char kInf[] = "D:\\My Setup\\VL_USB.inf";
const DriverPackage kOurs{"Quarn", {"USB\\VID_FFFF&PID_0001", "USB\\VID_FFFF&PID_0002"}};

struct FakeDevice {
    std::string instanceId;
    std::string hardwareId;
    std::string infName;
    bool betterDriver = false;  // its driver suits it better than ours
};

// Every request goes to the journal; `failures` makes a request fail by its name.
class FakePlatform final : public DriverPlatform {
public:
    bool IsWow64() const override { return wow64; }
    bool IsAdministrator() const override { return administrator; }
    Answer ReadPackage(const std::string& infPath, DriverPackage& package) override {
        journal.push_back("read " + infPath);
        if (!infFiles.contains(infPath)) return {2, "The system cannot find the file specified."};
        package = infFiles[infPath];
        return {};
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
    Answer RemoveDevice(const std::string& instanceId) override {
        journal.push_back("remove device " + instanceId);
        if (failures.contains("remove device")) return failures["remove device"];
        std::erase_if(devices, [&](const FakeDevice& device) { return device.instanceId == instanceId; });
        return {};
    }
    Answer RemoveFromStore(const std::string& publishedName) override {
        journal.push_back("remove " + publishedName);
        std::erase_if(store, [&](const StoredPackage& package) { return package.publishedName == publishedName; });
        return {};
    }

    bool wow64 = false;
    bool administrator = true;
    bool restartNeeded = false;
    int nextOem = 3;
    std::map<std::string, DriverPackage> infFiles{{kInf, kOurs}};
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

TEST_F(Registration, InstallStagesThePackageAndBindsTheBoardPluggedIn) {
    platform.devices = {{"USB\\VID_FFFF&PID_0002\\5&1", "USB\\VID_FFFF&PID_0002", ""},
                        {"USB\\VID_0001&PID_0001\\7&2", "USB\\VID_0001&PID_0001", "oem1.inf"}};
    Report report = Install();
    EXPECT_EQ(platform.journal, (Strings{"read D:\\My Setup\\VL_USB.inf", "stage D:\\My Setup\\VL_USB.inf",
                                         "bind USB\\VID_FFFF&PID_0001 with D:\\My Setup\\VL_USB.inf",
                                         "bind USB\\VID_FFFF&PID_0002 with D:\\My Setup\\VL_USB.inf"}));
    EXPECT_EQ(platform.devices[0].infName, "oem3.inf");
    EXPECT_EQ(platform.devices[1].infName, "oem1.inf");
    EXPECT_EQ(report.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem3.inf.\r\n"
                           "The board plugged in now uses this driver.");
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(steps, (Strings{"Reading the driver package D:\\My Setup\\VL_USB.inf…",
                              "Copying the driver package into the driver store…",
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

// Any version of the package: the same provider and a hardware ID in common, whatever else changed.
TEST_F(Registration, UninstallFindsEveryVersionAndTheDevicesThatUseIt) {
    platform.store = {
        {"oem2.inf", {"QUARN", {"usb\\vid_ffff&pid_0001"}}},                  // an older version
        {"oem5.inf", {"Another maker", {"USB\\VID_FFFF&PID_0001"}}},          // another maker's, same board
        {"oem7.inf", {"Quarn", {"USB\\VID_FFFF&PID_0009"}}},                  // ours, for another board
        {"oem9.inf", kOurs},                                                  // this version
    };
    platform.devices = {{"USB\\A", "USB\\VID_FFFF&PID_0001", "OEM2.INF"},
                        {"USB\\B", "USB\\VID_FFFF&PID_0001", "oem5.inf"},
                        {"ROOT\\C", "ROOT\\C", ""}};
    Report report = Uninstall();
    EXPECT_EQ(platform.journal, (Strings{"read D:\\My Setup\\VL_USB.inf", "list store", "list devices",
                                         "remove device USB\\A", "remove oem2.inf", "remove oem9.inf"}));
    EXPECT_EQ(StoreNames(), (Strings{"oem5.inf", "oem7.inf"}));
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
    EXPECT_EQ(platform.journal, (Strings{"read D:\\My Setup\\VL_USB.inf", "list store"}));
}

TEST_F(Registration, FailureShowsThePlatformsTextAndExitsWithItsCode) {
    Report missing = Run({"-inf", "a.inf", "uninstall"});
    EXPECT_EQ(missing.text, "Could not remove the driver package a.inf:\r\nThe system cannot find the file specified.");
    EXPECT_EQ(missing.exitCode, 2);

    platform.failures["stage"] = {0xE000022F, "The third-party INF does not contain digital signature information."};
    Report unsigned_ = Install();
    EXPECT_EQ(unsigned_.text, "Could not install the driver package D:\\My Setup\\VL_USB.inf:\r\n"
                              "The third-party INF does not contain digital signature information.");
    EXPECT_EQ(static_cast<unsigned>(unsigned_.exitCode), 0xE000022Fu);

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
