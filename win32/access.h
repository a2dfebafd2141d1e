// Accounts and access lists of files and folders, as the installer and the registration tool
// judge who could change what they trust.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// A security identifier as text ("S-1-5-18"); empty if it cannot be told.
std::wstring SidText(PSID sid);
// The account this program runs as: the operator.
std::wstring ProcessUserSid();
// The accounts to which an allowing entry of a file's or folder's list gives any of the rights,
// its generic rights taken as what they mean for files; they lie in the list. An inherit-only
// entry, which is for what is made below, counts only with inheritOnlyToo.
std::vector<PSID> SidsAllowed(PACL list, ACCESS_MASK rights, bool inheritOnlyToo);

}  // namespace win32
