#include "win32_file_system.h"

#include "installer/deploy/long_path.h"

#include "win32/text.h"

#include <windows.h>

namespace {

std::wstring PlatformPath(const std::string& path) {
    std::wstring wide = win32::Widen(path);
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
    if (!full.empty()) {
        DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        full.resize(length < full.size() ? length : 0);
    }
    return FileCallPath(wide, full);
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
