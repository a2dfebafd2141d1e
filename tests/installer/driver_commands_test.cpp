// The install and uninstall commands over fakes, and their command lines.
#include "installer/driver/command_line.h"
#include "installer_fakes.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLines, PlainDirectoryIsTheLiteralConcatenation) {
    CommandLine install = InstallCommand("D:\\Setup\\Driver");
    EXPECT_EQ(install.program, "D:\\Setup\\Driver\\wdreg_gui.exe");
    EXPECT_EQ(install.parameters, "-inf D:\\Setup\\Driver\\VL_USB.inf install");
    CommandLine uninstall = UninstallCommand("D:\\Setup\\Driver");
    EXPECT_EQ(uninstall.program, install.program);
    EXPECT_EQ(uninstall.parameters, "-inf D:\\Setup\\Driver\\VL_USB.inf uninstall");
}

TEST(CommandLines, DriveRootKeepsTheDoubledBackslash) {
    EXPECT_EQ(InstallCommand("E:\\").parameters, "-inf E:\\\\VL_USB.inf install");
    EXPECT_EQ(UninstallCommand("E:\\").parameters, "-inf E:\\\\VL_USB.inf uninstall");
    EXPECT_EQ(InstallCommand("E:\\").program, "E:\\\\wdreg_gui.exe");
}

// The program goes to the platform as a path of its own, never split.
TEST(CommandLines, InfPathsWithBlanksAreQuoted) {
    CommandLine install = InstallCommand("D:\\My Setup\\Driver");
    EXPECT_EQ(install.program, "D:\\My Setup\\Driver\\wdreg_gui.exe");
    EXPECT_EQ(install.parameters, "-inf \"D:\\My Setup\\Driver\\VL_USB.inf\" install");
    EXPECT_EQ(UninstallCommand("D:\\安装\tA\\Driver").parameters, "-inf \"D:\\安装\tA\\Driver\\VL_USB.inf\" uninstall");
}

class DriverCommands : public testing::Test {
protected:
    DriverCommands() {
        files.ownDirectory = "D:\\Setup\\Driver";
        controls.log = "old line\r\n";
        controls.status = "Compeleted!";
    }

    const std::string kStart = "start D:\\Setup\\Driver\\wdreg_gui.exe | -inf D:\\Setup\\Driver\\VL_USB.inf ";

    Journal journal;
    FakeControls controls{journal};
    FakeFileSystem files{journal};
    FakeProgramStart programs{journal};
    LoadkitForm form{controls, files, programs};
};

TEST_F(DriverCommands, InstallStartsTheToolMinimizedAndReportsTheStart) {
    form.Command2_Click();
    EXPECT_EQ(journal, (Journal{"log=", "status=", "repaint", kStart + "install | style 2",
                                "status=Driver Finished!"}));
}

TEST_F(DriverCommands, InstallWithTaskIdZeroReportsFailureWithoutABox) {
    programs.nextTaskId = 0;
    form.Command2_Click();
    EXPECT_EQ(journal.back(), "status=Driver Faiure!");
}

TEST_F(DriverCommands, UninstallStartsTheToolAndLeavesTheStatusEmpty) {
    form.Command3_Click();
    EXPECT_EQ(journal, (Journal{"log=", "status=", "repaint", kStart + "uninstall | style 2"}));
    EXPECT_EQ(controls.status, "");
}

// A missing tool, and the operator's "No" at the consent prompt (ERROR_CANCELLED): both are a
// start that failed, told in the box with the platform's text.
TEST_F(DriverCommands, ToolThatCannotStartGivesTheWarningBoxOnly) {
    for (const char* failure :
         {"The system cannot find the file specified.", "The operation was canceled by the user."}) {
        programs.failure = failure;
        for (auto command : {&LoadkitForm::Command2_Click, &LoadkitForm::Command3_Click}) {
            journal.clear();
            (form.*command)();
            ASSERT_EQ(journal.size(), 5u);
            EXPECT_TRUE(journal[3].starts_with(kStart));
            EXPECT_EQ(journal[4], std::string("box Warning!: ") + failure);
            EXPECT_EQ(controls.log, "");
            EXPECT_EQ(controls.status, "");
        }
    }
}

TEST_F(DriverCommands, EachCommandTakesTheOwnDirectoryAfresh) {
    form.Command2_Click();
    files.ownDirectory = "E:\\";
    form.Command3_Click();
    EXPECT_EQ(journal.back(), "start E:\\\\wdreg_gui.exe | -inf E:\\\\VL_USB.inf uninstall | style 2");
}

}  // namespace
