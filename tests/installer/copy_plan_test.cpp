// The file-copy command over a fake file system: order and paths of its twenty-one steps, the
// failure rule and the mended faults.
#include "installer_fakes.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kDriverFiles = {"VL_USB.INF", "VL_USB.cat", "WINDRVR6.SYS", "wdreg_gui.exe",
                                                "Loadkit.exe"};
const std::vector<std::string> kProgramFiles = {"WD_UTILS.DLL", "Quarn.exe", "Portlens.exe", "COMDLG32.OCX",
                                                "MSCOMM32.OCX"};

class CopyPlan : public testing::Test {
protected:
    CopyPlan() {
        files.directories = {"C:", "M:", "M:\\Setup"};
        PutMedium("M:\\Setup", "Driver");
    }

    // A medium: the program files in `medium`, the installer and its files in `medium\installerDir`.
    void PutMedium(const std::string& medium, const std::string& installerDir) {
        files.ownDirectory = medium + "\\" + installerDir;
        files.directories.insert(files.ownDirectory);
        PutFiles(files.ownDirectory, kDriverFiles, "driver ");
        PutFiles(medium, kProgramFiles, "program ");
    }

    void PutFiles(const std::string& directory, const std::vector<std::string>& names, const std::string& kind) {
        for (const auto& name : names) files.files[directory + "\\" + name] = kind + name;
    }

    void Run() {
        journal.clear();
        form.Command1_Click();
    }

    // The journal entries of the file system only.
    std::vector<std::string> FileSteps() const {
        std::vector<std::string> steps;
        for (const auto& entry : journal)
            if (entry.starts_with("mkdir ") || entry.starts_with("copy ")) steps.push_back(entry);
        return steps;
    }

    static std::vector<std::string> PlanSteps(const std::string& source, const std::string& programSource,
                                              const std::string& dest) {
        std::vector<std::string> steps = {"mkdir " + dest, "mkdir " + dest + "\\Driver"};
        for (const auto& file : kDriverFiles)
            steps.push_back("copy " + source + "\\" + file + " > " + dest + "\\Driver\\" + file);
        for (const auto& file : kProgramFiles)
            steps.push_back("copy " + programSource + "\\" + file + " > " + dest + "\\" + file);
        return steps;
    }

    Journal journal;
    FakeControls controls{journal};
    FakeFileSystem files{journal};
    FakeProgramStart programs{journal};
    LoadkitForm form{controls, files, programs};
};

TEST_F(CopyPlan, FreshDestinationRunsTheStepsInOrderAndCopiesEveryFile) {
    controls.log = "old line\r\n";
    controls.status = "old status";
    Run();

    Journal expected = {"log=", "status=", "repaint"};
    for (const auto& step : PlanSteps("M:\\Setup\\Driver", "M:\\Setup", "C:\\Velmo")) expected.push_back(step);
    expected.push_back("status=Compeleted!");
    EXPECT_EQ(journal, expected);  // no line logged, and the window is left as it is
    EXPECT_EQ(controls.log, "");
    for (const auto& file : kDriverFiles) EXPECT_EQ(files.files["C:\\Velmo\\Driver\\" + file], "driver " + file);
    for (const auto& file : kProgramFiles) EXPECT_EQ(files.files["C:\\Velmo\\" + file], "program " + file);
}

TEST_F(CopyPlan, SecondRunLogsBothDirectoriesAndReplacesTheFiles) {
    Run();
    files.files["M:\\Setup\\Portlens.exe"] = "newer Portlens";
    Run();

    EXPECT_EQ(controls.log, "exists C:\\Velmo\r\nexists C:\\Velmo\\Driver\r\n");
    EXPECT_EQ(files.files["C:\\Velmo\\Portlens.exe"], "newer Portlens");
    EXPECT_EQ(controls.status, "Compeleted!");
    EXPECT_EQ(journal.back(), "show whole log");
}

TEST_F(CopyPlan, MissingParentGivesTwelveLinesInStepOrderAndStillCompletes) {
    controls.destination = "D:\\A\\B";
    Run();

    std::string expected = "no parent D:\\A\\B\r\nno parent D:\\A\\B\\Driver\r\n";
    for (const auto& file : kDriverFiles) expected += "cannot write D:\\A\\B\\Driver\\" + file + "\r\n";
    for (const auto& file : kProgramFiles) expected += "cannot write D:\\A\\B\\" + file + "\r\n";
    EXPECT_EQ(controls.log, expected);
    EXPECT_EQ(FileSteps(), PlanSteps("M:\\Setup\\Driver", "M:\\Setup", "D:\\A\\B"));
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[journal.size() - 2], "status=Compeleted!");
    EXPECT_EQ(journal.back(), "show whole log");
}

TEST_F(CopyPlan, MissingSourceFileGivesOneLineAndTheOtherStepsRun) {
    files.files.erase("M:\\Setup\\Quarn.exe");
    Run();

    EXPECT_EQ(controls.log, "missing M:\\Setup\\Quarn.exe\r\n");
    EXPECT_EQ(FileSteps().size(), 12u);
    EXPECT_TRUE(files.files.contains("C:\\Velmo\\MSCOMM32.OCX"));
    EXPECT_EQ(controls.status, "Compeleted!");
}

TEST_F(CopyPlan, EachRunShowsOnlyItsOwnFailures) {
    controls.destination = "D:\\A\\B";
    Run();
    controls.destination = "C:\\Velmo";
    Run();
    EXPECT_EQ(controls.log, "");
}

// The program files come from the installer's parent directory, whatever the length of the
// installer directory's name.
TEST_F(CopyPlan, ProgramFilesComeFromTheParentDirectory) {
    for (std::string installerDir : {"Drv", "Driver", "Treiber-x64", "驱动"}) {
        SCOPED_TRACE(installerDir);
        PutMedium("M:\\Setup", installerDir);
        files.directories.erase("C:\\Velmo");
        files.directories.erase("C:\\Velmo\\Driver");
        Run();
        EXPECT_EQ(FileSteps(), PlanSteps("M:\\Setup\\" + installerDir, "M:\\Setup", "C:\\Velmo"));
        EXPECT_EQ(controls.log, "");
    }
}

TEST_F(CopyPlan, InstallerInADrivesRootLogsOneLineAndTakesItsOwnDirectory) {
    // Own directory "M:\": the files are found as "M:\\VL_USB.INF" and so on.
    files.ownDirectory = "M:\\";
    PutFiles("M:\\", kDriverFiles, "driver ");
    PutFiles("M:\\", kProgramFiles, "program ");
    Run();

    EXPECT_EQ(controls.log, "The installer's directory has no parent directory.\r\n");
    EXPECT_EQ(FileSteps(), PlanSteps("M:\\", "M:\\", "C:\\Velmo"));
    EXPECT_EQ(controls.status, "Compeleted!");
}

// A share's root, also in the extended form that an installer started by such a path keeps.
class CopyPlanOnAShare : public CopyPlan, public testing::WithParamInterface<std::string> {};

TEST_P(CopyPlanOnAShare, TheShareIsTheParentAndItsRootHasNone) {
    const std::string share = GetParam();
    files.directories.insert(share);
    PutMedium(share, "Driver");
    Run();
    EXPECT_EQ(FileSteps().back(), "copy " + share + "\\MSCOMM32.OCX > C:\\Velmo\\MSCOMM32.OCX");
    EXPECT_EQ(controls.log, "");

    files.ownDirectory = share;
    PutFiles(share, kDriverFiles, "driver ");
    Run();
    EXPECT_EQ(FileSteps().back(), "copy " + share + "\\MSCOMM32.OCX > C:\\Velmo\\MSCOMM32.OCX");
    EXPECT_EQ(controls.log, "exists C:\\Velmo\r\nexists C:\\Velmo\\Driver\r\n"
                            "The installer's directory has no parent directory.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Forms, CopyPlanOnAShare,
                         testing::Values("\\\\server\\share", "\\\\?\\UNC\\server\\share"));

TEST_F(CopyPlan, BlankDestinationCreatesAndCopiesNothing) {
    for (std::string destination : {"", " ", "  \t "}) {
        SCOPED_TRACE("[" + destination + "]");
        controls.destination = destination;
        Run();
        EXPECT_EQ(journal, (Journal{"log=", "status=", "repaint", "log=No destination directory was given.\r\n",
                                    "show whole log"}));
        EXPECT_EQ(controls.status, "");
    }
}

TEST_F(CopyPlan, TrailingBackslashPassesTheDoubledBackslashOn) {
    controls.destination = "C:\\Velmo\\";
    Run();
    EXPECT_EQ(FileSteps(), PlanSteps("M:\\Setup\\Driver", "M:\\Setup", "C:\\Velmo\\"));
    EXPECT_EQ(FileSteps()[1], "mkdir C:\\Velmo\\\\Driver");
}

TEST_F(CopyPlan, DestinationIsTakenExactlyAsTyped) {
    controls.destination = " C:\\安装 目录 ";
    Run();
    EXPECT_EQ(FileSteps().front(), "mkdir  C:\\安装 目录 ");
}

}  // namespace
