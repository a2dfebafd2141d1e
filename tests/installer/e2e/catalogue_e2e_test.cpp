// The medium's driver catalogue, read by the platform's catalogue functions: its one member is the
// INF, found by the hash that the platform computes of the INF. (Wine reads no attributes of a
// catalogue or its members, so the file's name and the Windows versions are checked natively, by
// tests/release/check.sh.)
#include "e2e.h"

#include "win32/text.h"

#include <wincrypt.h>

#include <mscat.h>

using namespace e2e;

namespace {

std::wstring Hex(const BYTE* bytes, DWORD size) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (DWORD i = 0; i < size; ++i) text += {digits[bytes[i] >> 4], digits[bytes[i] & 0x0F]};
    return text;
}

// SHA-1 of the file, as Windows hashes a file against a catalogue.
std::vector<BYTE> PlatformHash(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::vector<BYTE> hash(20);
    DWORD size = static_cast<DWORD>(hash.size());
    bool hashed = file != INVALID_HANDLE_VALUE && CryptCATAdminCalcHashFromFileHandle(file, &size, hash.data(), 0);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    hash.resize(hashed ? size : 0);
    return hash;
}

TEST(MediumCatalogue, ListsTheInfByTheHashWindowsComputes) {
    std::wstring driver = medium + L"\\Driver\\";
    std::vector<BYTE> hash = PlatformHash(driver + L"VL_USB.INF");
    ASSERT_EQ(hash.size(), 20u) << "the INF could not be hashed: " << win32::Narrow(win32::ErrorText(GetLastError()));

    std::wstring path = driver + L"VL_USB.cat";
    HANDLE catalogue = CryptCATOpen(path.data(), CRYPTCAT_OPEN_EXISTING, 0, CRYPTCAT_VERSION_1, 0);
    ASSERT_NE(catalogue, INVALID_HANDLE_VALUE) << win32::Narrow(win32::ErrorText(GetLastError()));
    CRYPTCATMEMBER* member = CryptCATEnumerateMember(catalogue, nullptr);
    ASSERT_NE(member, nullptr) << win32::Narrow(win32::ErrorText(GetLastError()));
    EXPECT_EQ(member->pwszReferenceTag, Hex(hash.data(), static_cast<DWORD>(hash.size())));
    const GUID flatFile = {0xDE351A42, 0x8E59, 0x11D0, {0x8C, 0x47, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};
    EXPECT_TRUE(IsEqualGUID(member->gSubjectType, flatFile));
    ASSERT_NE(member->pIndirectData, nullptr);
    EXPECT_STREQ(member->pIndirectData->DigestAlgorithm.pszObjId, szOID_OIWSEC_sha1);
    const CRYPT_HASH_BLOB& digest = member->pIndirectData->Digest;
    EXPECT_EQ(std::vector<BYTE>(digest.pbData, digest.pbData + digest.cbData), hash);
    EXPECT_EQ(CryptCATEnumerateMember(catalogue, member), nullptr) << "more than one member";
    CryptCATClose(catalogue);
}

}  // namespace
