// The real registration tool from the built medium: its answers to wrong arguments, a missing
// INF file, and an install and uninstall of the board's driver package.
#include "e2e.h"

#include "tools/drive/drive.h"
#include "win32/text.h"

using namespace e2e;

namespace {

const wchar_t kCaption[] = L"Driver package registration";
const int kOutcome = 100;

struct Outcome {
    std::wstring text;
    DWORD exitCode = 0xFFFFFFFF;
};

// Starts the tool with the arguments, reads what its window says, closes it and takes the
// exit code.
Outcome RunTool(const std::wstring& arguments) {
    std::wstring tool = medium + L"\\Driver\\wdreg_gui.exe";
    drive::Program program(L"\"" + tool + L"\" " + arguments);
    HWND window = program.WaitForWindow(kCaption);
    EXPECT_NE(window, nullptr) << win32::Narrow(arguments) << ": no window; the tool " << program.State();
    if (!window) return {};
    Outcome outcome;
    drive::WaitFor([&] {
        outcome.text = drive::Text(GetDlgItem(window, kOutcome));
        return !outcome.text.empty() && outcome.text != L"Working…";
    });
    drive::Click(GetDlgItem(window, IDCANCEL));
    outcome.exitCode = program.WaitForExit().value_or(0xFFFFFFFF);
    return outcome;
}

std::wstring InfDirectory() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\inf\\";
}

// "as oem3.inf." at the end of the first line names the package in the store.
std::wstring PublishedName(const std::wstring& text) {
    size_t as = text.find(L" as "), end = text.find(L".\r\n");
    return as == std::wstring::npos || end == std::wstring::npos ? L"" : text.substr(as + 4, end - as - 4);
}

TEST(RegistrationTool, WrongArgumentsShowHowToCallIt) {
    for (std::wstring arguments : {L"", L"-inf VL_USB.INF remove", L"-inf a.inf install now"}) {
        Outcome outcome = RunTool(arguments);
        EXPECT_TRUE(outcome.text.starts_with(L"Usage: wdreg_gui.exe -inf <INF file> install|uninstall"))
            << win32::Narrow(outcome.text);
        EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << win32::Narrow(arguments);
    }
}

TEST(RegistrationTool, MissingInfFileIsReported) {
    std::wstring inf = TestDirectory() + L"\\缺少 目录\\VL_USB.INF";
    for (std::wstring action : {L"install", L"uninstall"}) {
        Outcome outcome = RunTool(L"-inf \"" + inf + L"\" " + action);
        std::wstring verb = action == L"install" ? L"install" : L"remove";
        EXPECT_EQ(outcome.text, L"Could not " + verb + L" the driver package " + inf + L":\r\n" +
                                    win32::ErrorText(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
}

// Install places the package in the store, under the name it reports; uninstall takes it out.
TEST(RegistrationTool, InstallsAndRemovesTheDriverPackage) {
    std::wstring inf = medium + L"\\Driver\\VL_USB.INF";
    Outcome installed = RunTool(L"-inf \"" + inf + L"\" install");
    ASSERT_EQ(installed.exitCode, 0u) << win32::Narrow(installed.text);
    std::wstring published = PublishedName(installed.text);
    ASSERT_FALSE(published.empty()) << win32::Narrow(installed.text);
    EXPECT_EQ(installed.text, L"Installed the driver package " + inf + L" as " + published +
                                  L".\r\nThe board gets this driver when it is next plugged in.");
    EXPECT_EQ(ReadAll(InfDirectory() + published), ReadAll(inf));

    Outcome removed = RunTool(L"-inf \"" + inf + L"\" uninstall");
    EXPECT_EQ(removed.exitCode, 0u) << win32::Narrow(removed.text);
    EXPECT_EQ(removed.text, L"Removed the driver package " + inf + L" (" + published + L").");
    EXPECT_FALSE(Exists(InfDirectory() + published));
}

}  // namespace
