#include "access.h"

#include <sddl.h>

namespace win32 {

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return L"";
    std::wstring result(text);
    LocalFree(text);
    return result;
}

std::wstring ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    bool known = size && GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    return known ? SidText(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid) : L"";
}

// Denying entries are not read: they could only narrow who may, and overlooking one errs on the
// side of refusing.
std::vector<PSID> SidsAllowed(PACL list, ACCESS_MASK rights, bool inheritOnlyToo) {
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    std::vector<PSID> sids;
    for (DWORD index = 0; index < list->AceCount; ++index) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(list, index, reinterpret_cast<void**>(&header))) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) continue;
        if ((header->AceFlags & INHERIT_ONLY_ACE) && !inheritOnlyToo) continue;
        auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        ACCESS_MASK granted = entry->Mask;
        MapGenericMask(&granted, &mapping);
        if (granted & rights) sids.push_back(&entry->SidStart);
    }
    return sids;
}

}  // namespace win32
