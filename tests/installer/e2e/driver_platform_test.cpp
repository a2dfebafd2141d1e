// The registration tool's Win32 side, as far as Wine goes: a certificate made, trusted by the
// machine, found by its subject and removed again, with its key destroyed; a file that the tool
// looked at held unchanged; the signing folder's copies. Wine keeps no access lists and checks
// no signatures: the decisions on those are tested natively.
#include "e2e.h"

#include "installer/registration/win32_driver_platform.h"
#include "win32/text.h"

#include <wincrypt.h>

using namespace e2e;

namespace {

const char kSubject[] = "CN=Quarn driver package test (made on this machine)";

// The platform's owner, a window that is never made.
class NoWindow final : public win32::Form {
public:
    NoWindow() : Form(L"", 0, 0, 0, {}) {}

private:
    void OnCommand(int, int) override {}
};

bool KeyExists(const Certificate& certificate) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, win32::Widen(certificate.keyContainer).c_str(), MS_ENH_RSA_AES_PROV_W,
                              PROV_RSA_AES, CRYPT_SILENT))
        return false;
    CryptReleaseContext(provider, 0);
    return true;
}

bool InMachineStore(const wchar_t* store, const Certificate& certificate) {
    HCERTSTORE opened = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, store);
    if (!opened) return false;
    bool found = false;
    for (PCCERT_CONTEXT each = nullptr; (each = CertEnumCertificatesInStore(opened, each));)
        found = found || std::vector<unsigned char>(each->pbCertEncoded, each->pbCertEncoded + each->cbCertEncoded) ==
                             certificate.encoded;
    CertCloseStore(opened, 0);
    return found;
}

class DriverPlatform : public testing::Test {
protected:
    // What a run that failed half way left.
    void SetUp() override {
        std::vector<Certificate> left;
        platform_.TrustedCertificates(kSubject, left);
        for (const Certificate& certificate : left) platform_.RemoveFromTrustedStores(certificate);
    }

    NoWindow owner_;
    Win32DriverPlatform platform_{owner_, true};
};

TEST_F(DriverPlatform, CertificateIsMadeTrustedFoundAndRemovedWithItsKeyGone) {
    for (auto [hash, algorithm] : {std::pair{Hash::Sha256, szOID_RSA_SHA256RSA}, {Hash::Sha1, szOID_RSA_SHA1RSA}}) {
        Certificate certificate;
        Answer made = platform_.MakeCertificate(kSubject, hash, certificate);
        ASSERT_EQ(made.error, 0u) << made.description;
        PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, certificate.encoded.data(),
                                                              static_cast<DWORD>(certificate.encoded.size()));
        ASSERT_NE(context, nullptr);
        EXPECT_STREQ(context->pCertInfo->SignatureAlgorithm.pszObjId, algorithm);
        wchar_t subject[256] = L"";
        CertNameToStrW(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, subject, 256);
        EXPECT_EQ(win32::Narrow(subject), kSubject);
        // For code signing alone, and critically so.
        PCERT_EXTENSION usage = CertFindExtension(szOID_ENHANCED_KEY_USAGE, context->pCertInfo->cExtension,
                                                  context->pCertInfo->rgExtension);
        ASSERT_NE(usage, nullptr);
        EXPECT_TRUE(usage->fCritical);
        BYTE decoded[256];
        DWORD size = sizeof decoded;
        ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, usage->Value.pbData,
                                      usage->Value.cbData, 0, decoded, &size));
        auto* usages = reinterpret_cast<CERT_ENHKEY_USAGE*>(decoded);
        ASSERT_EQ(usages->cUsageIdentifier, 1u);
        EXPECT_STREQ(usages->rgpszUsageIdentifier[0], szOID_PKIX_KP_CODE_SIGNING);
        CertFreeCertificateContext(context);

        EXPECT_TRUE(KeyExists(certificate));
        EXPECT_EQ(platform_.DestroyKey(certificate).error, 0u);
        EXPECT_FALSE(KeyExists(certificate));

        ASSERT_EQ(platform_.AddToTrustedStores(certificate).error, 0u);
        EXPECT_TRUE(InMachineStore(L"Root", certificate));
        EXPECT_TRUE(InMachineStore(L"TrustedPublisher", certificate));
        std::vector<Certificate> found;
        ASSERT_EQ(platform_.TrustedCertificates(kSubject, found).error, 0u);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].encoded, certificate.encoded);

        EXPECT_EQ(platform_.RemoveFromTrustedStores(certificate).error, 0u);
        EXPECT_FALSE(InMachineStore(L"Root", certificate));
        EXPECT_FALSE(InMachineStore(L"TrustedPublisher", certificate));
        found.clear();
        EXPECT_EQ(platform_.TrustedCertificates(kSubject, found).error, 0u);
        EXPECT_TRUE(found.empty());
    }
}

// From the look on, nobody can write, rename or delete it, while reading goes on.
TEST_F(DriverPlatform, WhatTheToolLookedAtStaysAsItWas) {
    std::wstring file = TestDirectory() + L"\\VL_USB.INF";
    WriteAll(file, "[Version]\r\n");
    Access access;
    ASSERT_EQ(platform_.Inspect(win32::Narrow(file), access).error, 0u);
    EXPECT_FALSE(access.readOnlyMedium);
    EXPECT_FALSE(access.writers.empty());  // Wine makes up its owner and access list

    HANDLE writing = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writing, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileW(file.c_str(), (file + L".old").c_str()));
    EXPECT_FALSE(DeleteFileW(file.c_str()));
    EXPECT_EQ(ReadAll(file), "[Version]\r\n");
}

// The copies to sign are writable even from a CD, and the folder goes with them.
TEST_F(DriverPlatform, SigningFolderHoldsWritableCopiesAndGoesAgain) {
    std::wstring directory = TestDirectory();
    WriteAll(directory + L"\\VL_USB.INF", "inf");
    WriteAll(directory + L"\\VL_USB.cat", "cat");
    SetFileAttributesW((directory + L"\\VL_USB.cat").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string folder;
    ASSERT_EQ(platform_.CopyToNewFolder({win32::Narrow(directory + L"\\VL_USB.INF"),
                                         win32::Narrow(directory + L"\\VL_USB.cat")}, folder).error, 0u);
    std::wstring copies = win32::Widen(folder);
    EXPECT_EQ(ReadAll(copies + L"\\VL_USB.INF"), "inf");
    EXPECT_EQ(ReadAll(copies + L"\\VL_USB.cat"), "cat");
    EXPECT_FALSE(GetFileAttributesW((copies + L"\\VL_USB.cat").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(platform_.RemoveFolder(folder).error, 0u);
    EXPECT_FALSE(Exists(copies));
    SetFileAttributesW((directory + L"\\VL_USB.cat").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
