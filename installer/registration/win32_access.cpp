// Who could change a file or folder, read from its owner and access list. No GetSecurityInfo:
// it loads ntmarta.dll by name, which Windows 7 without KB2533623 would look for in the tool's
// folder first, the very thing this checks.
#include "win32_driver_platform.h"

#include "installer/registration/win32_answer.h"
#include "win32/access.h"

#include <algorithm>

namespace {

// Rights that change what a file holds or where it is, or who may do so: for a folder, also
// adding, renaming and deleting what is in it.
const ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                  WRITE_OWNER;

// "NT AUTHORITY\SYSTEM", or the SID itself where it names nobody known.
Account AccountOf(PSID sid) {
    Account account{win32::Narrow(win32::SidText(sid)), ""};
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        account.name = win32::Narrow(domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name));
    if (account.name.empty()) account.name = account.sid;
    return account;
}

void AddWriter(const Account& account, Access& access) {
    if (std::none_of(access.writers.begin(), access.writers.end(),
                     [&](const Account& each) { return each.sid == account.sid; }))
        access.writers.push_back(account);
}

const Account kEveryone{"S-1-1-0", "Everyone"};

// Inherit-only entries are for what is made below, and OWNER RIGHTS narrows what the owner may
// do, who is a writer anyway.
void AddWriters(PACL acl, Access& access) {
    for (PSID sid : win32::SidsAllowed(acl, kChangeRights, false))
        if (win32::SidText(sid) != L"S-1-3-4") AddWriter(AccountOf(sid), access);  // OWNER RIGHTS
}

// The owner may always change the access list, and so everything else.
Answer ReadAccess(HANDLE handle, Access& access) {
    DWORD flags = 0;
    if (!GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return LastFailure();
    access.readOnlyMedium = flags & FILE_READ_ONLY_VOLUME;
    // FAT and some shares keep no access lists: everybody may change everything.
    if (!(flags & FILE_PERSISTENT_ACLS)) {
        AddWriter(kEveryone, access);
        return {};
    }
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetKernelObjectSecurity(handle, what, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    if (!size || !GetKernelObjectSecurity(handle, what, descriptor.data(), size, &size)) return LastFailure();
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted))
        return LastFailure();
    if (owner) AddWriter(AccountOf(owner), access);
    if (!present || !acl)
        AddWriter(kEveryone, access);  // no access list: nothing is denied to anybody
    else
        AddWriters(acl, access);
    return {};
}

}  // namespace

std::string Win32DriverPlatform::OperatorSid() const { return win32::Narrow(win32::ProcessUserSid()); }

// Held open for reading, sharing nothing but reading: nobody can then write, rename or delete it.
// (A handle without the right to read the data would bind nobody to its sharing.)
Answer Win32DriverPlatform::Inspect(const std::string& path, Access& access) {
    std::wstring wide = win32::Widen(path);
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastFailure();
    held_.push_back(handle);
    return ReadAccess(handle, access);
}
