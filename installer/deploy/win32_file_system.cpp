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

// Clears the read-only attribute of an existing file; true if the file is writable as far as
// its attributes go, or is not there. A directory is left as it is: no copy replaces it.
bool MakeWritable(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(attributes & FILE_ATTRIBUTE_READONLY))
        return true;
    return SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

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

// Files on a CD are read-only, and a copy takes the attributes of its source: each copy is left
// writable, and a read-only file in the way (from an earlier installation) is made writable
// first, so that the next run can replace them.
Failure Win32FileSystem::Copy(const std::string& from, const std::string& to) {
    std::wstring destination = PlatformPath(to);
    MakeWritable(destination);  // if that fails, the copy says why
    if (!CopyFileW(PlatformPath(from).c_str(), destination.c_str(), FALSE) || !MakeWritable(destination))
        return LastFailure();
    return {};
}
