#include "win32_driver_store.h"

#include "win32/text.h"

#include <windows.h>
#include <setupapi.h>

namespace {

StoreResult Failed(DWORD error) { return {error, win32::Narrow(win32::ErrorText(error)), ""}; }

// The platform wants the INF file's full path. A missing file is told as such, whatever the
// Setup API would make of it.
bool FindInf(const std::string& infPath, std::wstring& full, StoreResult& failure) {
    std::wstring wide = win32::Widen(infPath);
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    full.assign(length, L'\0');
    if (length) full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    DWORD attributes = length ? GetFileAttributesW(full.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) failure = Failed(GetLastError());
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY) failure = Failed(ERROR_FILE_NOT_FOUND);
    else return true;
    return false;
}

// Copies the package into the store, or with SP_COPY_REPLACEONLY only finds it there; either way
// the name under which the store published it.
bool CopyToStore(const std::wstring& inf, DWORD style, std::wstring& published) {
    wchar_t name[MAX_PATH] = L"";
    wchar_t* file = nullptr;
    if (!SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, style, name, MAX_PATH, nullptr, &file)) return false;
    published = file ? file : name;
    return true;
}

}  // namespace

StoreResult Win32DriverStore::Install(const std::string& infPath) {
    std::wstring inf, published;
    StoreResult result;
    if (!FindInf(infPath, inf, result)) return result;
    if (!CopyToStore(inf, 0, published)) return Failed(GetLastError());
    result.publishedName = win32::Narrow(published);
    return result;
}

StoreResult Win32DriverStore::Uninstall(const std::string& infPath) {
    std::wstring inf, published;
    StoreResult result;
    if (!FindInf(infPath, inf, result)) return result;
    if (!CopyToStore(inf, SP_COPY_REPLACEONLY, published)) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return {error, "The driver package is not installed.", ""};
        return Failed(error);
    }
    // Taken out even while the board uses it: the board then has no driver until it is installed again.
    if (!SetupUninstallOEMInfW(published.c_str(), SUOI_FORCEDELETE, nullptr)) return Failed(GetLastError());
    result.publishedName = win32::Narrow(published);
    return result;
}
