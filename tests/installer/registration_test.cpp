// The registration tool's arguments and reports, over a fake driver store.
#include "tools/registration/registration.h"

#include <gtest/gtest.h>

namespace {

class FakeStore final : public DriverStore {
public:
    StoreResult Install(const std::string& infPath) override {
        calls.push_back("install " + infPath);
        return result;
    }
    StoreResult Uninstall(const std::string& infPath) override {
        calls.push_back("uninstall " + infPath);
        return result;
    }

    StoreResult result;
    std::vector<std::string> calls;
};

TEST(Registration, WrongArgumentsShowTheUsageAndTouchNothing) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"-inf"},
        {"-inf", "D:\\VL_USB.inf"},
        {"-inf", "", "install"},
        {"-inf", "D:\\VL_USB.inf", "remove"},
        {"-file", "D:\\VL_USB.inf", "install"},
        {"D:\\VL_USB.inf", "-inf", "install"},
        {"-inf", "D:\\VL_USB.inf", "install", "now"},
    };
    for (const auto& arguments : wrong) {
        FakeStore store;
        Report report = Register(arguments, store);
        EXPECT_TRUE(report.text.starts_with("Usage: wdreg_gui.exe -inf <INF file> install|uninstall")) << report.text;
        EXPECT_EQ(report.exitCode, kBadArguments);
        EXPECT_TRUE(store.calls.empty());
    }
}

TEST(Registration, InstallAndUninstallGoToTheStoreWithTheInfPath) {
    FakeStore store;
    store.result.publishedName = "oem3.inf";
    Report installed = Register({"-inf", "D:\\My Setup\\VL_USB.inf", "install"}, store);
    Report removed = Register({"/INF", "驱动\\VL_USB.inf", "Uninstall"}, store);
    EXPECT_EQ(store.calls, (std::vector<std::string>{"install D:\\My Setup\\VL_USB.inf", "uninstall 驱动\\VL_USB.inf"}));
    EXPECT_EQ(installed.text, "Installed the driver package D:\\My Setup\\VL_USB.inf as oem3.inf.\r\n"
                              "The board gets this driver when it is next plugged in.");
    EXPECT_EQ(installed.exitCode, 0);
    EXPECT_EQ(removed.text, "Removed the driver package 驱动\\VL_USB.inf (oem3.inf).");
    EXPECT_EQ(removed.exitCode, 0);
}

TEST(Registration, FailureShowsThePlatformsTextAndExitsWithItsCode) {
    FakeStore store;
    store.result = {2, "The system cannot find the file specified.", ""};
    Report report = Register({"-inf", "a.inf", "uninstall"}, store);
    EXPECT_EQ(report.text, "Could not remove the driver package a.inf:\r\nThe system cannot find the file specified.");
    EXPECT_EQ(report.exitCode, 2);
    store.result.error = 0xE000022F;  // setup errors are large codes
    EXPECT_EQ(static_cast<unsigned>(Register({"-inf", "a.inf", "install"}, store).exitCode), 0xE000022Fu);
}

}  // namespace
