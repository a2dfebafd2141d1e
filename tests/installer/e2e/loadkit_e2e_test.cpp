// Loadkit from a laid-out medium under test: its window, the file copy and the driver commands.
#include "e2e.h"

#include "installer/deploy/control_ids.h"
#include "tools/drive/accessible_name.h"
#include "tools/drive/drive.h"
#include "tools/drive/text_fit.h"
#include "win32/dpi.h"
#include "win32/text.h"

#include <aclapi.h>
#include <sddl.h>

using namespace e2e;
using namespace loadkit_ids;

namespace {

std::wstring Line(DWORD error) { return win32::ErrorText(error) + L"\r\n"; }

std::wstring Repeat(const std::wstring& text, int times) {
    std::wstring result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

// Lets Everyone do everything in the directory, as the access list inherited from C:\ lets every
// user change what is made below it.
bool LetEveryoneChange(const std::wstring& directory) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL list = nullptr;
    BOOL present, defaulted;
    bool set = ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                    &descriptor, nullptr) &&
               GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) &&
               SetNamedSecurityInfoW(const_cast<wchar_t*>(directory.c_str()), SE_FILE_OBJECT,
                                     DACL_SECURITY_INFORMATION, nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
    LocalFree(descriptor);
    return set;
}

bool EveryoneMayAddFiles(const std::wstring& directory) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(directory.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return true;
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    bool may = !list;
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        if (GetAce(list, i, reinterpret_cast<void**>(&entry)) && entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&entry->SidStart, everyone) && (entry->Mask & FILE_ADD_FILE))
            may = true;
    }
    LocalFree(descriptor);
    return may;
}

class Loadkit : public testing::Test {
protected:
    // Starts the installer of a medium laid out in this test's directory.
    void Start(const std::wstring& installerDir = L"Driver", Tool tool = Tool::Recorder) {
        root_ = TestDirectory() + L"\\介质";
        installer_ = LayMedium(root_, installerDir, tool);
        StartFrom(installer_);
    }

    // The exact command line needs an installer directory without blanks: where the build's own
    // path holds one, the medium goes to the test run's drive Q: instead. False if there is none.
    bool StartWithoutBlanks() {
        if (TestDirectory().find(L' ') == std::wstring::npos) {
            Start();
            return true;
        }
        if (GetDriveTypeW(L"Q:\\") == DRIVE_NO_ROOT_DIR) return false;
        root_ = L"Q:\\" + win32::Widen(testing::UnitTest::GetInstance()->current_test_info()->name());
        StartFrom(LayMedium(root_, L"Driver", Tool::Recorder));
        return true;
    }

    void StartFrom(const std::wstring& installer) {
        installer_ = installer;
        program_ = drive::Program(L"\"" + installer + L"\\Loadkit.exe\"", TestDirectory());
        window_ = program_.WaitForWindow(kCaption);
        ASSERT_NE(window_, nullptr) << "no window; Loadkit " << program_.State();
    }

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring Text(int id) const { return drive::Text(Item(id)); }

    void Press(int id) {
        drive::Click(Item(id));
        ASSERT_TRUE(drive::Settle(window_));
    }

    void CopyTo(const std::wstring& destination) {
        drive::SetText(Item(kText1), destination);
        Press(kCommand1);
    }

    // Copies to `destination` and checks that nothing in the test's directory outside `changes`
    // (the destination, unless told otherwise) was written, the medium included.
    void CopyWritingOnlyTo(const std::wstring& destination, const std::wstring& changes) {
        auto before = Snapshot(TestDirectory(), changes);
        CopyTo(destination);
        EXPECT_TRUE(Snapshot(TestDirectory(), changes) == before) << "written outside " << win32::Narrow(changes);
        EXPECT_EQ(GetFileAttributesW(L"\\Driver"), INVALID_FILE_ATTRIBUTES);
    }

    std::vector<std::wstring> LogLines() const { return Split(Text(kText2), L'\n'); }

    RECT WindowRect() const {
        RECT rect;
        GetWindowRect(window_, &rect);
        return rect;
    }

    bool LogBoxVisible() const {
        RECT client, log = drive::ClientRectIn(Item(kText2), window_);
        GetClientRect(window_, &client);
        return log.bottom <= client.bottom && log.right <= client.right;
    }

    // Each delivered file is the medium's, byte for byte. A mismatch names the file: most of them
    // are programs, whose bytes would fill the log.
    void ExpectDelivered(const std::wstring& destination) {
        for (const auto& file : DriverFiles())
            EXPECT_TRUE(ReadAll(destination + L"\\Driver\\" + file) == ReadAll(installer_ + L"\\" + file))
                << "Driver\\" << win32::Narrow(file) << " is missing or not the medium's";
        for (const auto& file : ProgramFiles())
            EXPECT_TRUE(ReadAll(destination + L"\\" + file) == ReadAll(root_ + L"\\" + file))
                << win32::Narrow(file) << " is missing or not the medium's";
    }

    // The program and the parameters of a command line that the tool got: the shell writes the
    // program in quotes or not, then one blank, then exactly the parameters that it was given.
    static std::pair<std::wstring, std::wstring> ProgramAndParameters(const std::wstring& line) {
        size_t end = line.starts_with(L'"') ? line.find(L'"', 1) + 1 : line.find(L' ');
        if (end == 0 || end >= line.size() || line[end] != L' ') return {line, L"(no parameters)"};
        std::wstring program = line.substr(0, end);
        if (program.starts_with(L'"')) program = program.substr(1, program.size() - 2);
        return {program, line.substr(end + 1)};
    }

    // The records of the tool's starts, one per start, each split into its fields.
    std::vector<std::vector<std::wstring>> Records(size_t count) const {
        std::vector<std::vector<std::wstring>> records;
        std::wstring file = installer_ + L"\\wdreg_gui.record";
        drive::WaitFor([&] {
            records.clear();
            if (!Exists(file)) return false;
            for (const auto& line : Split(win32::Widen(ReadAll(file)), L'\n'))
                records.push_back(Split(line, L'\t'));
            return records.size() >= count;
        });
        return records;
    }

    std::wstring root_;
    std::wstring installer_;
    drive::Program program_;
    HWND window_ = nullptr;
};

// The installer's controls in twips; the log box lies below the client area until a run fails.
const drive::TwipsPlace kLayout[] = {
    {kLabel1, 480, 360, 2415, 375},    {kText1, 480, 720, 3375, 270},     {kCommand1, 480, 1200, 975, 375},
    {kCommand2, 1680, 1200, 975, 375}, {kCommand3, 2880, 1200, 975, 375}, {kLabel2, 480, 1800, 3375, 375},
    {kText2, 480, 3000, 3375, 975},
};
const SIZE kClientTwips{4365, 2265};

TEST_F(Loadkit, InitialWindowIsLaidOutAsItsTable) {
    Start();
    EXPECT_EQ(drive::Text(window_), L"VelmoUSB驱动安装程序");
    EXPECT_EQ(Text(kLabel1), L"安装目录：");
    EXPECT_EQ(Text(kText1), L"C:\\Velmo");
    EXPECT_EQ(Text(kCommand1), L"文件复制");
    EXPECT_EQ(Text(kCommand2), L"安装驱动");
    EXPECT_EQ(Text(kCommand3), L"卸载驱动");
    EXPECT_EQ(Text(kLabel2), L"");
    EXPECT_EQ(Text(kText2), L"");
    EXPECT_TRUE(GetWindowLongW(Item(kText2), GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(GetWindowLongW(Item(kText2), GWL_STYLE) & ES_MULTILINE);

    ASSERT_EQ(win32::WindowDpi(window_), 96u);
    EXPECT_EQ(drive::LayoutDifferences(window_, kClientTwips, kLayout, 96), "");

    // The tab order is the order of the child windows; the focus starts on the file copy.
    std::vector<int> order;
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) order.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(order, (std::vector<int>{kCommand1, kCommand2, kCommand3, kLabel1, kText1, kText2, kLabel2}));
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &thread));
    EXPECT_EQ(thread.hwndFocus, Item(kCommand1));

    // Centred on the screen's work area.
    RECT frame = WindowRect(), area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_LE(std::abs((frame.left + frame.right) - (area.left + area.right)), 2);
    EXPECT_LE(std::abs((frame.top + frame.bottom) - (area.top + area.bottom)), 2);
}

TEST_F(Loadkit, ProgramFileCarriesItsIconAndVersion) {
    std::wstring program = medium + L"\\Driver\\Loadkit.exe";
    HMODULE image = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    HRSRC group = FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    // The icon directory: a 6-byte header, then 14-byte entries of width, height, colours, ...
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(image, group)));
    EXPECT_EQ(directory[4], 1);                                // one image
    EXPECT_EQ(directory[6], 48);                               // width
    EXPECT_EQ(directory[7], 48);                               // height
    EXPECT_EQ(*reinterpret_cast<const WORD*>(directory + 12), 8);  // bits per pixel: 256 colours
    EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
    FreeLibrary(image);

    DWORD size = GetFileVersionInfoSizeW(program.c_str(), nullptr);
    std::vector<BYTE> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, version.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", &value, &length));
    EXPECT_EQ(static_cast<WORD*>(value)[0], 0x0804);
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\080404B0\\FileVersion", &value, &length));
    EXPECT_EQ(std::wstring(static_cast<wchar_t*>(value)), L"1.00");
}

TEST_F(Loadkit, FullCopyIntoAFreshDestination) {
    Start();
    RECT before = WindowRect();
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyTo(destination);
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    EXPECT_EQ(Text(kText2), L"");
    ExpectDelivered(destination);
    RECT after = WindowRect();
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(Loadkit, SecondRunLogsTwoDirectoryLinesAndReplacesTheFiles) {
    Start();
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyTo(destination);
    WriteAll(destination + L"\\Portlens.exe", "stale");
    WriteAll(destination + L"\\Driver\\VL_USB.INF", "stale");
    Press(kCommand1);
    EXPECT_EQ(Text(kText2), Repeat(Line(ERROR_ALREADY_EXISTS), 2));
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    ExpectDelivered(destination);
    EXPECT_TRUE(LogBoxVisible());
}

// As an earlier version left it: Loadkit, the operator's, gives it the protected list first. Wine
// keeps of a list what its file modes hold, whether others may write among it.
TEST_F(Loadkit, DestinationThatEveryoneMayChangeIsMendedAndReceivesTheFiles) {
    Start();
    std::wstring destination = TestDirectory() + L"\\Velmo";
    MakeDirectories(destination);
    ASSERT_TRUE(LetEveryoneChange(destination));
    ASSERT_TRUE(EveryoneMayAddFiles(destination));
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), Line(ERROR_ALREADY_EXISTS));
    ExpectDelivered(destination);
    EXPECT_FALSE(EveryoneMayAddFiles(destination));
}

TEST_F(Loadkit, MissingParentLogsTwelveLinesAndShowsTheLogBox) {
    Start();
    EXPECT_FALSE(LogBoxVisible());
    CopyTo(TestDirectory() + L"\\missing\\Velmo");
    std::vector<std::wstring> lines = Split(Text(kText2), L'\n');
    ASSERT_EQ(lines.size(), 12u) << win32::Narrow(Text(kText2));
    for (const auto& line : lines) EXPECT_EQ(line + L"\n", Line(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    EXPECT_TRUE(LogBoxVisible());

    // And it stays so: a run without failures does not shrink the window again.
    CopyTo(TestDirectory() + L"\\Velmo");
    EXPECT_EQ(Text(kText2), L"");
    EXPECT_TRUE(LogBoxVisible());

    // Made smaller by the operator, it grows again at the next failing run, keeping its width.
    RECT frame = WindowRect();
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + 40, 120, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(drive::Settle(window_));
    ASSERT_FALSE(LogBoxVisible());
    Press(kCommand1);
    EXPECT_TRUE(LogBoxVisible());
    RECT grown = WindowRect();
    EXPECT_EQ(grown.right - grown.left, frame.right - frame.left + 40);
}

TEST_F(Loadkit, MissingSourceFileLogsOneLine) {
    Start();
    DeleteFileW((root_ + L"\\Quarn.exe").c_str());
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), Line(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    EXPECT_FALSE(Exists(destination + L"\\Quarn.exe"));
    EXPECT_TRUE(Exists(destination + L"\\MSCOMM32.OCX"));
}

// The program files come from the parent directory, whatever the length of the installer
// directory's name.
TEST_F(Loadkit, InstallerInADirectoryOfAnotherNameLength) {
    Start(L"Drv");
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), L"");
    ExpectDelivered(destination);
}

// Drive Q: is the test's own: under Wine the test run maps it to a directory of the build, on
// Windows the test maps it with DefineDosDevice (as subst does).
TEST_F(Loadkit, InstallerInADrivesRoot) {
    if (GetDriveTypeW(L"Q:\\") == DRIVE_NO_ROOT_DIR) {
        std::wstring drive = TestDirectory() + L"\\drive";
        MakeDirectories(drive);
        DefineDosDeviceW(0, L"Q:", drive.c_str());
    }
    if (GetDriveTypeW(L"Q:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "drive Q: cannot be mapped here";
    DeleteFileW(L"Q:\\wdreg_gui.record");
    LayMedium(L"Q:", L"", Tool::Recorder);
    StartFrom(L"Q:");
    root_ = L"Q:";
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), L"The installer's directory has no parent directory.\r\n");
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    ExpectDelivered(destination);

    Press(kCommand2);
    auto records = Records(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(ProgramAndParameters(records[0][3]),
              std::make_pair(std::wstring(L"Q:\\\\wdreg_gui.exe"), std::wstring(L"-inf Q:\\\\VL_USB.inf install")));
    EXPECT_EQ(Text(kLabel2), L"Driver Finished!");
}

TEST_F(Loadkit, BlankDestinationCreatesNothing) {
    Start();
    for (std::wstring blank : {L"", L"   "}) {
        CopyTo(blank);
        EXPECT_EQ(Text(kText2), L"No destination directory was given.\r\n");
        EXPECT_EQ(Text(kLabel2), L"");
        EXPECT_TRUE(LogBoxVisible());
        EXPECT_EQ(GetFileAttributesW(L"\\Driver"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetFileAttributesW(L"\\Loadkit.exe"), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(Loadkit, DestinationWithChineseName) {
    Start();
    std::wstring destination = TestDirectory() + L"\\目标\\安装目录";
    MakeDirectories(TestDirectory() + L"\\目标");
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), L"");
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    ExpectDelivered(destination);
}

// Wine takes a path this long in the usual form as well: this proves the copy plan on a long path
// and the extended form accepted; long_path_test.cpp shows which paths get that form.
TEST_F(Loadkit, DestinationPastMaxPath) {
    Start();
    std::wstring parent = TestDirectory() + L"\\" + std::wstring(120, L'a') + L"\\" + std::wstring(120, L'b');
    MakeDirectories(parent);
    std::wstring destination = parent + L"\\Velmo";
    ASSERT_GT(destination.size(), 260u);
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), L"");
    ExpectDelivered(destination);
}

TEST_F(Loadkit, TrailingBackslashPassesTheDoubledBackslashOn) {
    Start();
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyTo(destination + L"\\");
    EXPECT_EQ(Text(kText2), L"");
    ExpectDelivered(destination);
}

TEST_F(Loadkit, InstallStartsTheToolMinimizedWithTheExactCommandLine) {
    if (!StartWithoutBlanks()) GTEST_SKIP() << "a blank in the build's path, and no drive Q:";
    drive::SetText(Item(kText2), L"old");
    Press(kCommand2);
    auto records = Records(1);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(installer_.find(L' '), std::wstring::npos);
    EXPECT_EQ(records[0][1], L"2");
    EXPECT_EQ(records[0][2], installer_ + L"\\wdreg_gui.exe");
    EXPECT_EQ(ProgramAndParameters(records[0][3]),
              std::make_pair(installer_ + L"\\wdreg_gui.exe", L"-inf " + installer_ + L"\\VL_USB.inf install"));
    EXPECT_EQ(Text(kLabel2), L"Driver Finished!");
    EXPECT_EQ(Text(kText2), L"");

    // Each click starts one more instance.
    Press(kCommand2);
    records = Records(2);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NE(records[0][0], records[1][0]);
    EXPECT_EQ(records[1][3], records[0][3]);
}

TEST_F(Loadkit, UninstallStartsTheToolAndLeavesTheStatusEmpty) {
    if (!StartWithoutBlanks()) GTEST_SKIP() << "a blank in the build's path, and no drive Q:";
    CopyTo(TestDirectory() + L"\\missing\\Velmo");  // a status and a log to clear
    Press(kCommand3);
    auto records = Records(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][1], L"2");
    EXPECT_EQ(ProgramAndParameters(records[0][3]),
              std::make_pair(installer_ + L"\\wdreg_gui.exe", L"-inf " + installer_ + L"\\VL_USB.inf uninstall"));
    EXPECT_EQ(Text(kLabel2), L"");
    EXPECT_EQ(Text(kText2), L"");
}

TEST_F(Loadkit, MissingToolGivesTheWarningBox) {
    Start(L"Driver", Tool::None);
    for (int command : {kCommand2, kCommand3}) {
        CopyTo(TestDirectory() + L"\\missing\\Velmo");
        drive::Click(Item(command));
        drive::MessageBoxInfo box = drive::WaitForMessageBox(program_.Id());
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.title, L"Warning!");
        EXPECT_EQ(box.text, win32::ErrorText(ERROR_FILE_NOT_FOUND));
        EXPECT_FALSE(box.hasIcon);
        std::vector<std::wstring> buttons;
        for (HWND child = GetWindow(box.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (drive::ClassName(child) == L"Button" && IsWindowVisible(child)) buttons.push_back(drive::Text(child));
        EXPECT_EQ(buttons, std::vector<std::wstring>{L"OK"});
        drive::CloseMessageBox(box.window);
        ASSERT_TRUE(drive::WaitNoMessageBox(program_.Id()));
        ASSERT_TRUE(drive::Settle(window_));
        EXPECT_EQ(Text(kText2), L"");
        EXPECT_EQ(Text(kLabel2), L"");
    }
}

// A blank in the path neither starts another program ("...\My.exe") nor cuts the INF path in two.
TEST_F(Loadkit, DirectoryWithABlankStartsTheRightProgram) {
    std::wstring directory = TestDirectory();
    root_ = directory + L"\\My Setup";
    installer_ = LayMedium(root_, L"Driver", Tool::Recorder);
    CopyInto(drive::OwnDirectory() + L"record_tool.exe", directory, L"My.exe");
    StartFrom(installer_);
    Press(kCommand2);
    auto records = Records(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0][2], installer_ + L"\\wdreg_gui.exe");
    EXPECT_EQ(ProgramAndParameters(records[0][3]).second, L"-inf \"" + installer_ + L"\\VL_USB.inf\" install");
    EXPECT_EQ(std::vector<std::wstring>(records[0].begin() + 4, records[0].end()),
              (std::vector<std::wstring>{L"-inf", installer_ + L"\\VL_USB.inf", L"install"}));
    EXPECT_FALSE(Exists(directory + L"\\wdreg_gui.record"));
    EXPECT_EQ(Text(kLabel2), L"Driver Finished!");
}

TEST_F(Loadkit, At144DpiTheLayoutScalesFromTheTwips) {
    drive::SetSystemDpi(144);
    Start();
    drive::SetSystemDpi(96);
    EXPECT_EQ(drive::LayoutDifferences(window_, kClientTwips, kLayout, 144), "");
    // The log box still comes into view after a failing run.
    CopyTo(TestDirectory() + L"\\missing\\Velmo");
    EXPECT_EQ(LogLines().size(), 12u);
    EXPECT_TRUE(LogBoxVisible());
}

// In each control's own font, at every DPI from 96 to 192: run also where the message font is as
// large as Windows' (Segoe UI 9 pt), which the destination box's 270 twips do not hold.
TEST_F(Loadkit, TextsFitTheirTwipsBoxesAt96To192Dpi) {
    for (DWORD dpi : {96, 120, 144, 168, 192}) {
        drive::SetSystemDpi(dpi);
        Start();
        drive::SetSystemDpi(96);
        EXPECT_EQ(drive::TextsThatDoNotFit(window_), "") << "at " << dpi << " DPI";
        // After a failing run too, with the status line and the log box filled.
        CopyTo(TestDirectory() + L"\\missing\\Velmo");
        EXPECT_EQ(drive::TextsThatDoNotFit(window_), "") << "at " << dpi << " DPI, after a run";
        program_.End();
    }
}

// A screen reader names a box after the label made just before it: the log box has a hidden one.
TEST_F(Loadkit, ScreenReadersNameTheDestinationAndTheLogBox) {
    Start();
    EXPECT_EQ(drive::AccessibleName(Item(kText1)), L"安装目录：");
    EXPECT_EQ(drive::AccessibleName(Item(kText2)), L"日志");
}

// Bad destinations: each run says what failed, and writes nothing outside the destination.

TEST_F(Loadkit, RelativeDestinationLandsInTheWorkingDirectory) {
    Start();
    CopyWritingOnlyTo(L"Velmo", TestDirectory() + L"\\Velmo");
    EXPECT_EQ(Text(kText2), L"");
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    ExpectDelivered(TestDirectory() + L"\\Velmo");
}

TEST_F(Loadkit, DestinationNamingAnExistingFileIsLeftAlone) {
    Start();
    std::wstring destination = TestDirectory() + L"\\Velmo";
    WriteAll(destination, "a file, not a directory");
    CopyWritingOnlyTo(destination, L"");
    std::vector<std::wstring> lines = LogLines();
    ASSERT_EQ(lines.size(), 12u) << win32::Narrow(Text(kText2));
    EXPECT_EQ(lines[0] + L"\n", Line(ERROR_ALREADY_EXISTS));
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i], lines[1]);
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    EXPECT_TRUE(LogBoxVisible());
}

// The read-only attribute of a directory does not keep files out of it.
TEST_F(Loadkit, ReadOnlyDestinationDirectoryStillReceivesTheFiles) {
    Start();
    std::wstring destination = TestDirectory() + L"\\Velmo";
    MakeDirectories(destination);
    ASSERT_TRUE(SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY));
    CopyWritingOnlyTo(destination, destination);
    SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Text(kText2), Line(ERROR_ALREADY_EXISTS));
    ExpectDelivered(destination);
}

// Files on a CD are read-only, and a copy takes the attributes of its source. Each copy is left
// writable, and a read-only file already in the destination is replaced all the same, so that a
// second run replaces everything. Wine run by root writes read-only files: there the attributes
// show the fault, not a refused copy.
TEST_F(Loadkit, ReadOnlyMediumGivesWritableCopies) {
    Start();
    for (const auto& file : DriverFiles())
        SetFileAttributesW((installer_ + L"\\" + file).c_str(), FILE_ATTRIBUTE_READONLY);
    for (const auto& file : ProgramFiles()) SetFileAttributesW((root_ + L"\\" + file).c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(GetFileAttributesW((root_ + L"\\Quarn.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
    std::wstring destination = TestDirectory() + L"\\Velmo";
    auto expectWritable = [&] {
        for (const auto& file : DriverFiles())
            EXPECT_FALSE(GetFileAttributesW((destination + L"\\Driver\\" + file).c_str()) & FILE_ATTRIBUTE_READONLY)
                << "Driver\\" << win32::Narrow(file);
        for (const auto& file : ProgramFiles())
            EXPECT_FALSE(GetFileAttributesW((destination + L"\\" + file).c_str()) & FILE_ATTRIBUTE_READONLY)
                << win32::Narrow(file);
    };
    CopyTo(destination);
    EXPECT_EQ(Text(kText2), L"");
    ExpectDelivered(destination);
    expectWritable();

    WriteAll(destination + L"\\Portlens.exe", "from an earlier installation");
    ASSERT_TRUE(SetFileAttributesW((destination + L"\\Portlens.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    CopyWritingOnlyTo(destination, destination);
    EXPECT_EQ(Text(kText2), Repeat(Line(ERROR_ALREADY_EXISTS), 2));
    ExpectDelivered(destination);
    expectWritable();
}

TEST_F(Loadkit, DestinationOnAMissingDrive) {
    std::wstring drive;
    for (wchar_t letter = L'K'; letter <= L'P' && drive.empty(); ++letter)
        if (GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()) == DRIVE_NO_ROOT_DIR) drive = {letter, L':'};
    if (drive.empty()) GTEST_SKIP() << "no free drive letter";
    Start();
    CopyWritingOnlyTo(drive + L"\\Velmo", L"");
    std::vector<std::wstring> lines = LogLines();
    ASSERT_EQ(lines.size(), 12u) << win32::Narrow(Text(kText2));
    // The first line is the platform's own word for a directory on a missing drive (Wine's
    // differs from Windows'); everything below it is a missing path.
    ASSERT_FALSE(CreateDirectoryW((drive + L"\\Velmo").c_str(), nullptr));
    EXPECT_EQ(lines[0] + L"\n", Line(GetLastError()));
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i] + L"\n", Line(ERROR_PATH_NOT_FOUND)) << i;
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
}

TEST_F(Loadkit, MediumWithoutItsFilesLogsALineForEach) {
    Start();
    for (const auto& file : ProgramFiles()) DeleteFileW((root_ + L"\\" + file).c_str());
    DeleteFileW((installer_ + L"\\WINDRVR6.SYS").c_str());
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyWritingOnlyTo(destination, destination);
    EXPECT_EQ(Text(kText2), Repeat(Line(ERROR_FILE_NOT_FOUND), 6));
    EXPECT_EQ(Text(kLabel2), L"Compeleted!");
    EXPECT_TRUE(Exists(destination + L"\\Driver\\VL_USB.INF"));
}

TEST_F(Loadkit, InstallerDirectoryWithBlanksAndChineseCharacters) {
    Start(L"驱动 安装程序");
    std::wstring destination = TestDirectory() + L"\\Velmo";
    CopyWritingOnlyTo(destination, destination);
    EXPECT_EQ(Text(kText2), L"");
    ExpectDelivered(destination);
}

}  // namespace
