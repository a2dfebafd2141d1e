// The file-copy command over a fake file system: order and paths of its twenty-one steps, the
// failure rule, the protected installation and the mended faults.
#include "installer_fakes.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kDriverFiles = {"VL_USB.INF", "VL_USB.cat", "WINDRVR6.SYS", "wdreg_gui.exe",
                                                "Loadkit.exe"};
const std::vector<std::string> kProgramFiles = {"WD_UTILS.DLL", "Quarn.exe", "Portlens.exe", "COMDLG32.OCX",
                                                "MSCOMM32.OCX"};
const AccessList kProtectedList = {{Account::System, Rights::FullControl},
                                   {Account::Administrators, Rights::FullControl},
                                   {Account::Operator, Rights::Modify},
                                   {Account::Users, Rights::ReadAndExecute}};

// A real directory on a volume with access lists.
PathFacts Directory(Owner owner, bool othersMayWrite, bool operatorMayChangeList) {
    return {.kind = PathKind::Directory, .keepsAccessLists = true, .owner = owner, .othersMayWrite = othersMayWrite,
            .operatorMayChangeList = operatorMayChangeList};
}

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

    void PutExisting(const std::string& directory, const PathFacts& facts) {
        files.directories.insert(directory);
        files.facts[directory] = facts;
    }

    // The journal entries of the file system only.
    std::vector<std::string> FileSteps() const {
        std::vector<std::string> steps;
        for (const auto& entry : journal)
            if (entry.starts_with("mkdir ") || entry.starts_with("copy ") || entry.starts_with("set list "))
                steps.push_back(entry);
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
    EXPECT_EQ(files.lists["C:\\Velmo"], kProtectedList);
    EXPECT_EQ(files.lists["C:\\Velmo\\Driver"], kProtectedList);
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
    EXPECT_EQ(FileSteps(), PlanSteps("M:\\Setup\\Driver", "M:\\Setup", "C:\\Velmo"));  // its list is left as it is
}

// An earlier version's installation, which every user may change, gets the protected list and
// then the files.
TEST_F(CopyPlan, InstallationThatOthersMayChangeIsMendedWhereTheOperatorMay) {
    PutExisting("C:\\Velmo", Directory(Owner::Operator, true, true));
    PutExisting("C:\\Velmo\\Driver", Directory(Owner::Administrators, true, true));
    Run();

    std::vector<std::string> expected = PlanSteps("M:\\Setup\\Driver", "M:\\Setup", "C:\\Velmo");
    expected.insert(expected.begin() + 1, "set list C:\\Velmo");
    expected.insert(expected.begin() + 3, "set list C:\\Velmo\\Driver");
    EXPECT_EQ(FileSteps(), expected);
    EXPECT_EQ(files.lists["C:\\Velmo"], kProtectedList);
    EXPECT_EQ(files.lists["C:\\Velmo\\Driver"], kProtectedList);
    EXPECT_EQ(controls.log, "exists C:\\Velmo\r\nexists C:\\Velmo\\Driver\r\n");
}

// A destination that is not to be trusted gets one line and nothing at all, not even a Driver
// directory; the plan still runs on to "Compeleted!".
TEST_F(CopyPlan, UntrustedDestinationReceivesNothing) {
    struct {
        const char* what;
        PathFacts facts;
        const char* why;
    } cases[] = {
        {"a junction", {.kind = PathKind::ReparsePoint}, "is a junction or another reparse point"},
        {"another user's, whose list the operator may change", Directory(Owner::SomeoneElse, false, true),
         "is owned by another user"},
        {"writable by Users, and the operator may not change that", Directory(Owner::Administrators, true, false),
         "can be changed by other users"},
        {"a drive's root that others may write: its list would reach the whole drive",
         {.kind = PathKind::Directory, .volumeRoot = true, .keepsAccessLists = true, .owner = Owner::System,
          .othersMayWrite = true, .operatorMayChangeList = true},
         "can be changed by other users"},
    };
    for (const auto& existing : cases) {
        SCOPED_TRACE(existing.what);
        PutExisting("C:\\Velmo", existing.facts);
        Run();
        EXPECT_EQ(controls.log, "exists C:\\Velmo\r\nThe destination directory " + std::string(existing.why) +
                                    ": nothing is copied into it.\r\n");
        EXPECT_EQ(FileSteps(), std::vector<std::string>{"mkdir C:\\Velmo"});
        ASSERT_GE(journal.size(), 2u);
        EXPECT_EQ(journal[journal.size() - 2], "status=Compeleted!");
        EXPECT_EQ(journal.back(), "show whole log");
    }
}

// Checked again after the mend: a list that did not take, or another directory put in the place
// of the one mended, is refused.
TEST_F(CopyPlan, MendThatDidNotTakeIsRefused) {
    PutExisting("C:\\Velmo", Directory(Owner::Operator, true, true));
    files.listsTakeEffect = false;
    Run();
    EXPECT_EQ(FileSteps(), (std::vector<std::string>{"mkdir C:\\Velmo", "set list C:\\Velmo"}));
    EXPECT_EQ(controls.log, "exists C:\\Velmo\r\n"
                            "The destination directory can be changed by other users: nothing is copied into it.\r\n");
}

// Used as it is: what others cannot change keeps its own list (the protected one would let every
// user read a private folder), and a volume without access lists has nothing to check or set.
TEST_F(CopyPlan, TrustedOrListlessDestinationIsUsedAsItIs) {
    struct {
        const char* what;
        PathFacts facts;
    } cases[] = {
        {"the operator's private folder", Directory(Owner::Operator, false, true)},
        {"TrustedInstaller's, writable by nobody else", Directory(Owner::TrustedInstaller, false, false)},
        {"on FAT", {.kind = PathKind::Directory, .keepsAccessLists = false}},
    };
    for (const auto& existing : cases) {
        SCOPED_TRACE(existing.what);
        PutExisting("C:\\Velmo", existing.facts);
        files.directories.erase("C:\\Velmo\\Driver");
        Run();
        EXPECT_EQ(FileSteps(), PlanSteps("M:\\Setup\\Driver", "M:\\Setup", "C:\\Velmo"));
        EXPECT_EQ(controls.log, "exists C:\\Velmo\r\n");
    }
}

// Only Driver refused: the program files still go into the destination, which is sound.
TEST_F(CopyPlan, UntrustedDriverDirectoryReceivesNothingButTheProgramFilesAreCopied) {
    PutExisting("C:\\Velmo", Directory(Owner::Operator, false, true));
    PutExisting("C:\\Velmo\\Driver", Directory(Owner::SomeoneElse, true, false));
    Run();
    std::vector<std::string> expected = {"mkdir C:\\Velmo", "mkdir C:\\Velmo\\Driver"};
    for (const auto& file : kProgramFiles) expected.push_back("copy M:\\Setup\\" + file + " > C:\\Velmo\\" + file);
    EXPECT_EQ(FileSteps(), expected);
    EXPECT_EQ(controls.log, "exists C:\\Velmo\r\nexists C:\\Velmo\\Driver\r\n"
                            "The Driver directory is owned by another user: nothing is copied into it.\r\n");
    EXPECT_EQ(controls.status, "Compeleted!");
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
