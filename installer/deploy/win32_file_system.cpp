#include "win32_file_system.h"

#include "win32/text.h"

#include <windows.h>

namespace {

// The usual path form ends at MAX_PATH (248 characters for a directory). A longer path goes in
// the extended form, after the same normalisation that the platform gives a short path.
std::wstring PlatformPath(const std::string& path) {
    std::wstring wide = win32::Widen(path);
    if (wide.size() < 248 || wide.starts_with(L"\\\\?\\")) return wide;
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (!length) return wide;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), length, full.data(), nullptr));
    return full.starts_with(L"\\\\") ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

Failure LastFailure() { return win32::Narrow(win32::ErrorText(GetLastError())); }

}  // namespace

std::string Win32FileSystem::OwnDirectory() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L'\\'));
    if (path.size() == 2 && path[1] == L':') path += L'\\';  // a drive's root keeps its separator
    return win32::Narrow(path);
}

Failure Win32FileSystem::MakeDirectory(const std::string& path) {
    if (CreateDirectoryW(PlatformPath(path).c_str(), nullptr)) return {};
    return LastFailure();
}

Failure Win32FileSystem::Copy(const std::string& from, const std::string& to) {
    if (CopyFileW(PlatformPath(from).c_str(), PlatformPath(to).c_str(), FALSE)) return {};
    return LastFailure();
}
