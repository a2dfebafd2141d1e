// The real registration tool from the built medium: its answers to wrong arguments and a missing
// INF file or catalogue, an install from the medium that binds a board plugged in (Wine's
// SignerSignEx is a stub, so the unsigned catalogue goes as it stands, and nothing of the signing
// stays), an uninstall that finds an older version, its window when Loadkit starts it minimized,
// and a DLL planted beside it.
#include "e2e.h"

#include "installer/deploy/control_ids.h"
#include "tools/drive/drive.h"
#include "win32/text.h"

#include <setupapi.h>
#include <wincrypt.h>

using namespace e2e;

namespace {

const wchar_t kCaption[] = L"Driver package registration";
const int kOutcome = 100;
// The INF's hardware ID (a placeholder) and the class of its devices.
const wchar_t kBoardIds[] = L"USB\\VID_FFFF&PID_0001\0";
const GUID kUsbDeviceClass = {0x88BAE032, 0x5A81, 0x49F0, {0xBC, 0x3D, 0xA4, 0xFF, 0x13, 0x82, 0x16, 0xD6}};

struct Outcome {
    std::wstring text;
    DWORD exitCode = 0xFFFFFFFF;
};

// Waits until the tool's work has ended: its Close button comes alive.
bool WorkEnded(HWND window) {
    return drive::WaitFor([&] { return drive::Enabled(GetDlgItem(window, IDCANCEL)); }, drive::Duration(20000));
}

// Reads what the tool's window says once its work has ended, closes it and takes the exit code.
Outcome Finish(HWND window, const drive::Program& program) {
    Outcome outcome;
    EXPECT_TRUE(WorkEnded(window));
    outcome.text = drive::Text(GetDlgItem(window, kOutcome));
    drive::Click(GetDlgItem(window, IDCANCEL));
    outcome.exitCode = program.WaitForExit().value_or(0xFFFFFFFF);
    return outcome;
}

Outcome RunTool(const std::wstring& arguments, const std::wstring& tool = medium + L"\\Driver\\wdreg_gui.exe") {
    drive::Program program(L"\"" + tool + L"\" " + arguments);
    HWND window = program.WaitForWindow(kCaption);
    EXPECT_NE(window, nullptr) << win32::Narrow(arguments) << ": no window; the tool " << program.State();
    return window ? Finish(window, program) : Outcome{};
}

std::wstring InfDirectory() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\inf\\";
}

// A copy of the medium's driver package in the directory: the INF and its catalogue.
std::wstring PackageIn(const std::wstring& directory) {
    CopyInto(medium + L"\\Driver\\VL_USB.INF", directory);
    CopyInto(medium + L"\\Driver\\VL_USB.cat", directory);
    return directory + L"\\VL_USB.INF";
}

// How many certificates that the tool made the local machine's store holds.
int ToolCertificates(const wchar_t* store) {
    HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, store);
    if (!opened) return 0;
    int count = 0;
    for (PCCERT_CONTEXT each = nullptr; (each = CertEnumCertificatesInStore(opened, each));) {
        wchar_t subject[256] = L"";
        CertNameToStrW(X509_ASN_ENCODING, &each->pCertInfo->Subject, CERT_X500_NAME_STR, subject, 256);
        count += std::wstring(subject) == L"CN=Quarn driver package (made on this machine)";
    }
    CertCloseStore(opened, 0);
    return count;
}

bool SigningKeyExists() {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, L"Quarn driver package signing key", MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                              CRYPT_SILENT))
        return false;
    CryptReleaseContext(provider, 0);
    return true;
}

bool SigningFolderExists() {
    wchar_t temporary[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temporary);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((temporary + std::wstring(L"Quarn driver package*")).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return search != INVALID_HANDLE_VALUE;
}

// "as oem3.inf." at the end of the first line names the package in the store.
std::wstring PublishedName(const std::wstring& text) {
    size_t as = text.find(L" as "), end = text.find(L".\r\n");
    return as == std::wstring::npos || end == std::wstring::npos ? L"" : text.substr(as + 4, end - as - 4);
}

// A board plugged in, as far as the device nodes go: root-enumerated, with the board's hardware
// ID and no driver; removed again when this goes. (Windows would need a real board to bind it.)
class FakeBoard {
public:
    FakeBoard() {
        set_ = SetupDiCreateDeviceInfoList(&kUsbDeviceClass, nullptr);
        device_.cbSize = sizeof device_;
        made_ = SetupDiCreateDeviceInfoW(set_, L"QUARN_TEST_BOARD", &kUsbDeviceClass, nullptr, nullptr,
                                         DICD_GENERATE_ID, &device_) &&
                SetupDiSetDeviceRegistryPropertyW(set_, &device_, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(kBoardIds), sizeof kBoardIds) &&
                SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr);
    }
    ~FakeBoard() {
        if (made_) SetupDiRemoveDevice(set_, &device_);
        SetupDiDestroyDeviceInfoList(set_);
    }
    FakeBoard(const FakeBoard&) = delete;
    FakeBoard& operator=(const FakeBoard&) = delete;

    bool Made() const { return made_; }
    // The install section of the driver that the board has now; empty without one.
    std::wstring DriverSection() {
        HKEY key = SetupDiOpenDevRegKey(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE) return L"";
        wchar_t section[256] = L"";
        DWORD size = sizeof section - sizeof(wchar_t);
        RegQueryValueExW(key, L"InfSection", nullptr, nullptr, reinterpret_cast<BYTE*>(section), &size);
        RegCloseKey(key);
        return section;
    }

private:
    HDEVINFO set_;
    SP_DEVINFO_DATA device_{};
    bool made_ = false;
};

class RegistrationTool : public testing::Test {
protected:
    // Whatever an earlier run left in the store goes first.
    void SetUp() override { RunTool(L"-inf \"" + inf_ + L"\" uninstall"); }
    void TearDown() override { RunTool(L"-inf \"" + inf_ + L"\" uninstall"); }

    const std::wstring inf_ = medium + L"\\Driver\\VL_USB.INF";
};

TEST_F(RegistrationTool, WrongArgumentsShowHowToCallIt) {
    for (std::wstring arguments : {L"", L"-inf VL_USB.INF remove", L"-inf a.inf install now"}) {
        Outcome outcome = RunTool(arguments);
        EXPECT_TRUE(outcome.text.starts_with(L"Usage: wdreg_gui.exe -inf <INF file> install|uninstall"))
            << win32::Narrow(outcome.text);
        EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << win32::Narrow(arguments);
    }
}

TEST_F(RegistrationTool, MissingInfFileOrCatalogueIsReported) {
    std::wstring inf = TestDirectory() + L"\\缺少 目录\\VL_USB.INF";
    for (std::wstring action : {L"install", L"uninstall"}) {
        Outcome outcome = RunTool(L"-inf \"" + inf + L"\" " + action);
        std::wstring verb = action == L"install" ? L"install" : L"remove";
        EXPECT_EQ(outcome.text, L"Could not " + verb + L" the driver package " + inf + L":\r\n" +
                                    win32::ErrorText(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }

    // Where Wine would say "File not found" of the package, the catalogue is told missing.
    std::wstring alone = PackageIn(TestDirectory());
    std::wstring catalogue = TestDirectory() + L"\\VL_USB.cat";
    DeleteFileW(catalogue.c_str());
    Outcome outcome = RunTool(L"-inf \"" + alone + L"\" install");
    EXPECT_EQ(outcome.text, L"Could not install the driver package " + alone + L": its catalogue " + catalogue +
                                L" is missing:\r\n" + win32::ErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(outcome.exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Install from the medium as it is places the package in the store under the name it reports, and
// gives the board plugged in its driver; uninstall takes the package out again. Its catalogue is
// unsigned, and Wine cannot sign: the package goes as it stands, and no certificate, key or
// folder of the signing stays.
TEST_F(RegistrationTool, InstallBindsTheBoardPluggedInAndUninstallRemovesThePackage) {
    const std::wstring& inf = inf_;
    FakeBoard board;
    ASSERT_TRUE(board.Made()) << "no device node could be made here";
    ASSERT_EQ(board.DriverSection(), L"");
    Outcome installed = RunTool(L"-inf \"" + inf + L"\" install");
    ASSERT_EQ(installed.exitCode, 0u) << win32::Narrow(installed.text);
    std::wstring published = PublishedName(installed.text);
    ASSERT_FALSE(published.empty()) << win32::Narrow(installed.text);
    EXPECT_EQ(installed.text, L"Installed the driver package " + inf + L" as " + published +
                                  L".\r\nThe board plugged in now uses this driver.\r\nThe package went to Windows as "
                                  L"it stands: its catalogue " + medium + L"\\Driver\\VL_USB.cat bears no signature "
                                  L"that Windows trusts, and signing it on this machine failed (signing the catalogue: " +
                                  win32::ErrorText(E_NOTIMPL) + L"); nothing of that was kept.");
    EXPECT_EQ(ToolCertificates(L"Root"), 0);
    EXPECT_EQ(ToolCertificates(L"TrustedPublisher"), 0);
    EXPECT_FALSE(SigningKeyExists());
    EXPECT_FALSE(SigningFolderExists());
    EXPECT_EQ(ReadAll(InfDirectory() + published), ReadAll(inf));
    EXPECT_EQ(board.DriverSection(), L"QuarnUsb_Install");

    Outcome removed = RunTool(L"-inf \"" + inf_ + L"\" uninstall");
    EXPECT_EQ(removed.exitCode, 0u) << win32::Narrow(removed.text);
    EXPECT_EQ(removed.text, L"Removed the driver package " + inf_ + L" (" + published + L").\r\nRemoved with it the "
                            L"devices that used it (1): a board plugged in has no driver until it is installed again.");
    EXPECT_FALSE(Exists(InfDirectory() + published));
    EXPECT_EQ(board.DriverSection(), L"");
}

// An earlier version (another date and version, other comments) is found by its provider and
// its hardware IDs, and removed; once nothing is left, uninstall says so.
TEST_F(RegistrationTool, UninstallFindsAnOlderVersion) {
    std::string text = ReadAll(inf_);
    size_t date = text.find("DriverVer");
    ASSERT_NE(date, std::string::npos);
    text.replace(date, text.find('\r', date) - date, "DriverVer   = 03/15/2025,0.9.0.0\r\n; an earlier build");
    std::wstring older = PackageIn(TestDirectory());
    WriteAll(older, text);
    Outcome installed = RunTool(L"-inf \"" + older + L"\" install");
    ASSERT_EQ(installed.exitCode, 0u) << win32::Narrow(installed.text);
    std::wstring published = PublishedName(installed.text);
    ASSERT_FALSE(published.empty());

    Outcome removed = RunTool(L"-inf \"" + inf_ + L"\" uninstall");
    EXPECT_EQ(removed.text, L"Removed the driver package " + inf_ + L" (" + published + L").");
    EXPECT_EQ(removed.exitCode, 0u);
    EXPECT_FALSE(Exists(InfDirectory() + published));

    Outcome none = RunTool(L"-inf \"" + inf_ + L"\" uninstall");
    EXPECT_EQ(none.text, L"The driver package " + inf_ + L" is not installed: nothing was removed.");
    EXPECT_EQ(none.exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Loadkit starts the tool minimized: a success stays there, a failure comes up to be seen.
TEST_F(RegistrationTool, StartedMinimizedItComesUpOnlyOnFailure) {
    std::wstring installer = LayMedium(TestDirectory() + L"\\介质", L"Driver", Tool::Real);
    PackageIn(installer);
    drive::Program loadkit(L"\"" + installer + L"\\Loadkit.exe\"");
    HWND form = loadkit.WaitForWindow(loadkit_ids::kCaption);
    ASSERT_NE(form, nullptr) << "no window; Loadkit " << loadkit.State();
    for (bool infThere : {true, false}) {
        if (!infThere) DeleteFileW((installer + L"\\VL_USB.INF").c_str());
        drive::Click(GetDlgItem(form, loadkit_ids::kCommand2));
        HWND window = nullptr;
        ASSERT_TRUE(drive::WaitFor([&] { return (window = FindWindowW(L"QuarnForm", kCaption)) != nullptr; }));
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        ASSERT_TRUE(drive::Settle(form));
        EXPECT_EQ(drive::Text(GetDlgItem(form, loadkit_ids::kLabel2)), L"Driver Finished!");
        EXPECT_TRUE(WorkEnded(window));
        std::wstring text = drive::Text(GetDlgItem(window, kOutcome));
        EXPECT_EQ(IsIconic(window), infThere) << win32::Narrow(text);
        EXPECT_EQ(text.starts_with(L"Could not install"), !infThere) << win32::Narrow(text);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        PostMessageW(window, WM_CLOSE, 0, 0);  // a minimized window's button takes no click
        EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
}

// The tool runs elevated from a folder anyone may write to: a DLL of Windows' name placed beside
// it is not loaded (the stand-in leaves planted.trace when it is). Wine takes its own newdev.dll
// before one in the program's folder; told to take a file's first, it looks there as Windows does.
TEST_F(RegistrationTool, DllPlacedBesideTheToolIsNotLoaded) {
    std::wstring directory = TestDirectory();
    CopyInto(medium + L"\\Driver\\wdreg_gui.exe", directory);
    CopyInto(drive::OwnDirectory() + L"planted_dll.dll", directory, L"newdev.dll");
    const wchar_t wineSetting[] = L"Software\\Wine\\AppDefaults\\wdreg_gui.exe\\DllOverrides";
    RegSetKeyValueW(HKEY_CURRENT_USER, wineSetting, L"newdev", REG_SZ, L"native,builtin", sizeof L"native,builtin");
    Outcome installed = RunTool(L"-inf \"" + PackageIn(directory) + L"\" install", directory + L"\\wdreg_gui.exe");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, wineSetting, L"newdev");
    EXPECT_EQ(installed.exitCode, 0u) << win32::Narrow(installed.text);
    EXPECT_FALSE(Exists(directory + L"\\planted.trace"));
}

}  // namespace
