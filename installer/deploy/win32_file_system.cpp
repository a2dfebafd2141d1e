#include "win32_file_system.h"

#include "installer/deploy/long_path.h"

#include "win32/access.h"
#include "win32/text.h"


#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace {

const wchar_t kSystem[] = L"S-1-5-18";
const wchar_t kAdministrators[] = L"S-1-5-32-544";
const wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
const wchar_t kCreatorOwner[] = L"S-1-3-0";
// Every right to write to a directory, to what is below it, to its attributes and to its list,
// and to delete it: what nobody but the trusted accounts may have.
const DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                           FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER;

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    if (!full.empty()) {
        DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        full.resize(length < full.size() ? length : 0);
    }
    return full;
}

std::wstring PlatformPath(const std::string& path) {
    std::wstring wide = win32::Widen(path);
    return FileCallPath(wide, FullPath(wide));
}

Failure LastFailure() { return win32::Narrow(win32::ErrorText(GetLastError())); }

// The directory itself, never what a reparse point leads to. Without FILE_SHARE_DELETE: while
// the handle is open, nobody can move the directory away and put another in its place.
HANDLE OpenDirectory(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

PathKind KindOf(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::NotADirectory;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::ReparsePoint;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Directory : PathKind::NotADirectory;
}

bool IsRealDirectory(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    return GetFileInformationByHandle(file, &information) &&
           KindOf(information.dwFileAttributes) == PathKind::Directory;
}

// The drive's or share's root that holds `path`, with its trailing separator; empty if unknown.
std::wstring VolumeRoot(const std::wstring& path) {
    std::wstring root(path.size() + MAX_PATH, L'\0');
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return L"";
    root.resize(wcslen(root.c_str()));
    return root;
}

bool IsVolumeRoot(const std::wstring& path, const std::wstring& root) {
    std::wstring full = FullPath(path);
    if (!full.ends_with(L'\\')) full += L'\\';
    return !root.empty() && lstrcmpiW(full.c_str(), root.c_str()) == 0;
}

// Where the volume cannot tell, it is taken to keep them: the directory is then checked.
bool KeepsAccessLists(const std::wstring& root) {
    DWORD flags = 0;
    return !GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
           (flags & FILE_PERSISTENT_ACLS);
}

Owner OwnerKind(const std::wstring& sid, const std::wstring& operatorSid) {
    if (sid == operatorSid) return Owner::Operator;
    if (sid == kAdministrators) return Owner::Administrators;
    if (sid == kSystem) return Owner::System;
    if (sid == kTrustedInstaller) return Owner::TrustedInstaller;
    return Owner::SomeoneElse;
}

// CREATOR OWNER stands, in an entry that what is made below inherits, for whoever makes it, who
// must be allowed to write there already.
bool Trusted(const std::wstring& sid, const std::wstring& operatorSid) {
    return OwnerKind(sid, operatorSid) != Owner::SomeoneElse || sid == kCreatorOwner;
}

// No list at all lets everyone do everything. Entries that only what is made below inherits
// count too: the copies would inherit them.
bool OthersMayWrite(PACL list, const std::wstring& operatorSid) {
    if (!list) return true;
    for (PSID sid : win32::SidsAllowed(list, kWriteRights, true))
        if (!Trusted(win32::SidText(sid), operatorSid)) return true;
    return false;
}

// The kind, owner and list of the directory that was opened, should another have taken the
// path's place since its attributes were read.
void DescribeOpened(HANDLE directory, const std::wstring& operatorSid, PathFacts& facts) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(directory, &information)) return;
    facts.kind = KindOf(information.dwFileAttributes);
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(directory, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return;
    facts.owner = OwnerKind(win32::SidText(owner), operatorSid);
    facts.othersMayWrite = OthersMayWrite(list, operatorSid);
    LocalFree(descriptor);
}

// "D:P" is a protected list, which inherits nothing; "OICI", that files and folders below
// inherit the entry. Modify is read, write, execute and delete; 0x1200a9 is read and execute.
std::wstring Sddl(const AccessList& list, const std::wstring& operatorSid) {
    std::wstring sddl = L"D:P";
    for (const Grant& grant : list) {
        const wchar_t* rights = grant.rights == Rights::FullControl ? L"FA"
                                : grant.rights == Rights::Modify    ? L"0x1301bf"
                                                                    : L"0x1200a9";
        std::wstring account = grant.account == Account::System           ? L"SY"
                               : grant.account == Account::Administrators ? L"BA"
                               : grant.account == Account::Users          ? L"BU"
                                                                          : operatorSid;
        sddl += L"(A;OICI;" + std::wstring(rights) + L";;;" + account + L")";
    }
    return sddl;
}

// A security descriptor made from the list; nullptr if it cannot be.
PSECURITY_DESCRIPTOR Descriptor(const AccessList& list, const std::wstring& operatorSid) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(Sddl(list, operatorSid).c_str(), SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    return descriptor;
}

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

Win32FileSystem::Win32FileSystem() : operatorSid_(win32::ProcessUserSid()) {}

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

Failure Win32FileSystem::MakeDirectory(const std::string& path, const AccessList& list) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, Descriptor(list, operatorSid_), FALSE};
    if (!attributes.lpSecurityDescriptor) return LastFailure();
    bool made = CreateDirectoryW(PlatformPath(path).c_str(), &attributes);
    Failure failure = made ? Failure() : LastFailure();
    LocalFree(attributes.lpSecurityDescriptor);
    return failure;
}

PathFacts Win32FileSystem::Describe(const std::string& path) {
    PathFacts facts;
    std::wstring platformPath = PlatformPath(path);
    facts.kind = KindOf(GetFileAttributesW(platformPath.c_str()));
    if (facts.kind != PathKind::Directory) return facts;
    std::wstring root = VolumeRoot(platformPath);
    facts.volumeRoot = IsVolumeRoot(platformPath, root);
    facts.keepsAccessLists = KeepsAccessLists(root);
    // Whether the operator may change the list is whether Windows grants the right to.
    HANDLE directory = OpenDirectory(platformPath, READ_CONTROL | WRITE_DAC);
    facts.operatorMayChangeList = directory != INVALID_HANDLE_VALUE;
    if (!facts.operatorMayChangeList) directory = OpenDirectory(platformPath, READ_CONTROL);
    if (directory == INVALID_HANDLE_VALUE) return facts;  // whose it is stays unknown: someone else's
    DescribeOpened(directory, operatorSid_, facts);
    CloseHandle(directory);
    return facts;
}

// The handle keeps the checked directory in its place while Windows gives it the list and
// carries the list on to everything below it.
void Win32FileSystem::SetAccessList(const std::string& path, const AccessList& list) {
    std::wstring platformPath = PlatformPath(path);
    PSECURITY_DESCRIPTOR descriptor = Descriptor(list, operatorSid_);
    HANDLE directory = OpenDirectory(platformPath, READ_CONTROL | WRITE_DAC);
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (descriptor && directory != INVALID_HANDLE_VALUE && IsRealDirectory(directory) &&
        GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        SetNamedSecurityInfoW(platformPath.data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                              nullptr);
    if (directory != INVALID_HANDLE_VALUE) CloseHandle(directory);
    LocalFree(descriptor);
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
