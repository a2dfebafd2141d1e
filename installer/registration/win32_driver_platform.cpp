#include "win32_driver_platform.h"

#include "win32/system_dll.h"
#include "win32/text.h"

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>

namespace {

Answer Failed(DWORD error) { return {error, win32::Narrow(win32::ErrorText(error))}; }

// A failure that left no error code (Wine's stubs do that) must not pass for a success.
Answer LastFailure() {
    DWORD error = GetLastError();
    return Failed(error ? error : ERROR_INTERNAL_ERROR);
}

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

// The provider and the IDs of every models section, whatever the platform it is for: each line
// of [Manufacturer] names a models section and the platforms it has a decorated section for.
Answer ReadInf(const std::wstring& path, DriverPackage& package) {
    HINF inf = SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) return LastFailure();
    INFCONTEXT line;
    if (SetupFindFirstLineW(inf, L"Version", L"Provider", &line)) package.provider = win32::Narrow(Field(line, 1));
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

// Every package in the store is published in the INF directory. Windows names those of other
// makers oem*.inf (Wine keeps their own names); the provider and the IDs decide, not the name.
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
Answer Win32DriverPlatform::RemoveDevice(const std::string& instanceId) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, owner_.Hwnd());
    if (set == INVALID_HANDLE_VALUE) return LastFailure();
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    Answer answer;
    if (!SetupDiOpenDeviceInfoW(set, win32::Widen(instanceId).c_str(), owner_.Hwnd(), 0, &device) ||
        !SetupDiCallClassInstaller(DIF_REMOVE, set, &device))
        answer = LastFailure();
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
