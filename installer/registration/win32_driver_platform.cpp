#include "win32_driver_platform.h"

#include "installer/registration/win32_answer.h"
#include "win32/system_dll.h"

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>

namespace {

// The platform wants an INF file's full path. A missing file is told as such, whatever the
// Setup API would make of it.
Answer FindInf(const std::string& infPath, std::wstring& full) {
    std::wstring wide = win32::Widen(infPath);
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (!length) return LastFailure();
    full.assign(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Failed(ERROR_FILE_NOT_FOUND);
    return {};
}

// A field of an INF line, its strings (%Maker%) already put in by the Setup API.
std::wstring Field(INFCONTEXT& line, DWORD index) {
    DWORD size = 0;
    if (!SetupGetStringFieldW(&line, index, nullptr, 0, &size) || size == 0) return {};
    std::wstring text(size, L'\0');
    if (!SetupGetStringFieldW(&line, index, text.data(), size, nullptr)) return {};
    text.resize(size - 1);
    return text;
}

// The hardware and compatible IDs of one models section: the fields after the install section.
void AddModelIds(HINF inf, const std::wstring& section, std::vector<std::string>& ids) {
    INFCONTEXT line;
    for (bool more = SetupFindFirstLineW(inf, section.c_str(), nullptr, &line); more;
         more = SetupFindNextLine(&line, &line)) {
        for (DWORD index = 2, count = SetupGetFieldCount(&line); index <= count; ++index) {
            std::string id = win32::Narrow(Field(line, index));
            if (!id.empty() && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
        }
    }
}

// A value of [Version]; empty without one.
std::wstring VersionValue(HINF inf, const wchar_t* key) {
    INFCONTEXT line;
    return SetupFindFirstLineW(inf, L"Version", key, &line) ? Field(line, 1) : std::wstring();
}

// The provider and the IDs of every models section, whatever the platform it is for: each line
// of [Manufacturer] names a models section and the platforms it has a decorated section for. The
// catalogue is the one for this processor, where the INF file names one of its own.
Answer ReadInf(const std::wstring& path, DriverPackage& package) {
    HINF inf = SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) return LastFailure();
    package.provider = win32::Narrow(VersionValue(inf, L"Provider"));
#ifdef _WIN64
    std::wstring catalogue = VersionValue(inf, L"CatalogFile.NTamd64");
#else
    std::wstring catalogue = VersionValue(inf, L"CatalogFile.NTx86");
#endif
    if (catalogue.empty()) catalogue = VersionValue(inf, L"CatalogFile.NT");
    if (catalogue.empty()) catalogue = VersionValue(inf, L"CatalogFile");
    package.catalogue = win32::Narrow(catalogue);
    INFCONTEXT line;
    for (bool more = SetupFindFirstLineW(inf, L"Manufacturer", nullptr, &line); more;
         more = SetupFindNextLine(&line, &line)) {
        std::wstring models = Field(line, 1);
        AddModelIds(inf, models, package.hardwareIds);
        for (DWORD index = 2, count = SetupGetFieldCount(&line); index <= count; ++index)
            AddModelIds(inf, models + L"." + Field(line, index), package.hardwareIds);
    }
    SetupCloseInfFile(inf);
    return {};
}

std::wstring InfDirectory() {
    wchar_t windows[MAX_PATH];
    UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, length < MAX_PATH ? length : 0) + L"\\INF\\";
}

// A value of a device's driver key, such as "InfPath"; empty where there is none.
std::wstring DriverValue(HDEVINFO set, SP_DEVINFO_DATA& device, const wchar_t* name) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t value[MAX_PATH] = L"";
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    bool found = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
                 type == REG_SZ;
    RegCloseKey(key);
    return found ? std::wstring(value) : std::wstring();
}

}  // namespace

Win32DriverPlatform::~Win32DriverPlatform() {
    for (HANDLE handle : held_) CloseHandle(handle);
}

bool Win32DriverPlatform::IsWow64() const {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Under UAC the Administrators group of an operator who has not consented is for denying only,
// and does not count here.
bool Win32DriverPlatform::IsAdministrator() const {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

// Windows 8 is 6.2. Later versions answer as themselves to a program whose manifest names them,
// and as 8 to any other: 6.2 or later either way.
bool Win32DriverPlatform::IsWindows7() const {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    DWORDLONG condition = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                                              VER_MINORVERSION, VER_GREATER_EQUAL);
    return !VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition);
}

// Wine's ntdll.dll has functions of its own. Windows always maps its own ntdll.dll from System32
// into every process, so no file on Windows can make this true there.
bool Win32DriverPlatform::IsWine() const {
    return win32::DllFunction<FARPROC>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::string Win32DriverPlatform::OwnFolder() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t end = path.find_last_of(L'\\');
    return win32::Narrow(end == std::wstring::npos ? path : path.substr(0, end == 2 ? 3 : end));
}

Answer Win32DriverPlatform::ReadPackage(const std::string& infPath, DriverPackage& package) {
    std::wstring inf;
    if (Answer found = FindInf(infPath, inf); found.error) return found;
    return ReadInf(inf, package);
}

Answer Win32DriverPlatform::Stage(const std::string& infPath, std::string& publishedName) {
    std::wstring inf;
    if (Answer found = FindInf(infPath, inf); found.error) return found;
    wchar_t name[MAX_PATH] = L"";
    wchar_t* file = nullptr;
    if (!SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, 0, name, MAX_PATH, nullptr, &file)) return LastFailure();
    publishedName = win32::Narrow(file ? file : name);
    return {};
}

// From the medium's INF, as the function wants; it installs only where our driver matches the
// device better than its own (no INSTALLFLAG_FORCE), and tells us of a restart instead of asking.
Answer Win32DriverPlatform::Bind(const std::string& infPath, const std::string& hardwareId, bool& restart) {
    using UpdateFunction = BOOL(WINAPI*)(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL);
    std::wstring inf;
    if (Answer found = FindInf(infPath, inf); found.error) return found;
    HMODULE newdev = win32::LoadSystemDll(L"newdev.dll");
    if (!newdev) return LastFailure();
    auto update = win32::DllFunction<UpdateFunction>(newdev, "UpdateDriverForPlugAndPlayDevicesW");
    BOOL reboot = FALSE;
    Answer answer;
    if (!update) answer = LastFailure();
    else if (!update(owner_.Hwnd(), win32::Widen(hardwareId).c_str(), inf.c_str(), 0, &reboot)) answer = LastFailure();
    restart = restart || reboot;
    FreeLibrary(newdev);
    return answer;
}

// Every package in the store is published in the INF directory: Windows' own, and those of other
// makers, which Windows names oem*.inf (Wine keeps their own names).
Answer Win32DriverPlatform::StoredPackages(std::vector<StoredPackage>& packages) {
    std::wstring directory = InfDirectory();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Answer{} : LastFailure();
    do {
        StoredPackage package{win32::Narrow(found.cFileName), {}};
        // One that cannot be read is not ours to judge.
        if (!ReadInf(directory + found.cFileName, package.package).error) packages.push_back(package);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return {};
}

// Bounded: a device installation that never ends (waiting for a prompt nobody answers, say) must not
// hold the tool. Where cfgmgr32.dll lacks the function (some Wine versions) or it fails, there is
// nothing to wait for.
void Win32DriverPlatform::WaitForDeviceInstallations(unsigned long milliseconds) {
    using WaitFunction = DWORD(WINAPI*)(DWORD);
    HMODULE cfgmgr32 = win32::LoadSystemDll(L"cfgmgr32.dll");
    if (!cfgmgr32) return;
    if (auto wait = win32::DllFunction<WaitFunction>(cfgmgr32, "CMP_WaitNoPendingInstallEvents")) wait(milliseconds);
    FreeLibrary(cfgmgr32);
}

// Present or not: a board unplugged now keeps its driver for when it comes back.
Answer Win32DriverPlatform::Devices(std::vector<Device>& devices) {
    HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return LastFailure();
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        wchar_t id[MAX_DEVICE_ID_LEN];
        if (!SetupDiGetDeviceInstanceIdW(set, &device, id, MAX_DEVICE_ID_LEN, nullptr)) continue;
        devices.push_back({win32::Narrow(id), win32::Narrow(DriverValue(set, device, L"InfPath"))});
    }
    SetupDiDestroyDeviceInfoList(set);
    return {};
}

// As the device manager's "Uninstall": the device node goes, with its driver settings. Without
// parameters the removal is global, from every hardware profile (a removal from one profile is
// for the system's own code).
// A device that a program still holds open goes only at the next start of Windows: its install
// parameters say so afterwards.
Answer Win32DriverPlatform::RemoveDevice(const std::string& instanceId, bool& restart) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, owner_.Hwnd());
    if (set == INVALID_HANDLE_VALUE) return LastFailure();
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    Answer answer;
    if (!SetupDiOpenDeviceInfoW(set, win32::Widen(instanceId).c_str(), owner_.Hwnd(), 0, &device) ||
        !SetupDiCallClassInstaller(DIF_REMOVE, set, &device)) {
        answer = LastFailure();
    } else {
        SP_DEVINSTALL_PARAMS_W parameters{};
        parameters.cbSize = sizeof parameters;
        if (SetupDiGetDeviceInstallParamsW(set, &device, &parameters) &&
            (parameters.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)))
            restart = true;
    }
    SetupDiDestroyDeviceInfoList(set);
    return answer;
}

// The devices that used the package are gone. Forced all the same, so that the package leaves the
// store even where a device that this tool did not see still refers to it (that device keeps the
// driver it has until it is installed anew). Wine deletes nothing without the flag.
Answer Win32DriverPlatform::RemoveFromStore(const std::string& publishedName) {
    if (!SetupUninstallOEMInfW(win32::Widen(publishedName).c_str(), SUOI_FORCEDELETE, nullptr)) return LastFailure();
    return {};
}
