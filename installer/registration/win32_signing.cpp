// Catalogues, certificates and signing. crypt32.dll, wintrust.dll and mssign32.dll are no
// KnownDLLs on Windows 7: they are loaded from System32 and their functions looked up by name, all
// of which Windows 7 SP1 has (mssign32.dll's have no header: their types are Microsoft's
// documented ones). So are advapi32.dll's key functions, which Windows 7 forwards to cryptsp.dll,
// no KnownDLL either: an import would load it at the start, from wherever the program lies. The key pair lives in the operator's key containers of the Microsoft Enhanced
// RSA and AES provider, which signs with SHA-256 from Windows XP SP3 on.
#include "win32_driver_platform.h"

#include "installer/registration/win32_answer.h"
#include "win32/system_dll.h"

#include <sddl.h>
// In this order: each needs the ones before.
#include <wincrypt.h>
#include <wintrust.h>
#include <mscat.h>
#include <softpub.h>

#include <memory>

namespace {

struct SIGNER_FILE_INFO {
    DWORD cbSize;
    LPCWSTR pwszFileName;
    HANDLE hFile;
};
struct SIGNER_SUBJECT_INFO {
    DWORD cbSize;
    DWORD* pdwIndex;
    DWORD dwSubjectChoice;
    SIGNER_FILE_INFO* pSignerFileInfo;  // of a union whose other member is also a pointer
};
struct SIGNER_CERT_STORE_INFO {
    DWORD cbSize;
    PCCERT_CONTEXT pSigningCert;
    DWORD dwCertPolicy;
    HCERTSTORE hCertStore;
};
struct SIGNER_CERT {
    DWORD cbSize;
    DWORD dwCertChoice;
    SIGNER_CERT_STORE_INFO* pCertStoreInfo;  // of a union of pointers
    HWND hwnd;
};
struct SIGNER_ATTR_AUTHCODE {
    DWORD cbSize;
    BOOL fCommercial;
    BOOL fIndividual;
    LPCWSTR pwszName;
    LPCWSTR pwszInfo;
};
struct SIGNER_SIGNATURE_INFO {
    DWORD cbSize;
    ALG_ID algidHash;
    DWORD dwAttrChoice;
    SIGNER_ATTR_AUTHCODE* pAttrAuthcode;
    PCRYPT_ATTRIBUTES psAuthenticated;
    PCRYPT_ATTRIBUTES psUnauthenticated;
};
struct SIGNER_PROVIDER_INFO {
    DWORD cbSize;
    LPCWSTR pwszProviderName;
    DWORD dwProviderType;
    DWORD dwKeySpec;
    DWORD dwPvkChoice;
    LPWSTR pwszKeyContainer;  // of a union of strings
};
struct SIGNER_CONTEXT {
    DWORD cbSize;
    DWORD cbBlob;
    BYTE* pbBlob;
};
const DWORD SIGNER_SUBJECT_FILE = 1;
const DWORD SIGNER_CERT_STORE = 2;
const DWORD SIGNER_CERT_POLICY_CHAIN = 2;
const DWORD SIGNER_AUTHCODE_ATTR = 1;
const DWORD PVK_TYPE_KEYCONTAINER = 2;

const wchar_t kKeyContainer[] = L"Quarn driver package signing key";
const wchar_t kProvider[] = MS_ENH_RSA_AES_PROV_W;
const DWORD kProviderType = PROV_RSA_AES;
const DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
const wchar_t* const kTrustedStores[] = {L"Root", L"TrustedPublisher"};

// The functions, by their own names, of the three DLLs loaded for as long as this lives.
class Crypto {
    // Made before the functions, which are members made in their order.
    HMODULE advapi32_ = GetModuleHandleW(L"advapi32.dll");
    HMODULE crypt32_, wintrust_, mssign32_;
    std::string missing_;

    // Converts to the type of the member it initializes.
    struct Found {
        FARPROC address;
        template <typename Function>
        operator Function() const {
            return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
        }
    };
    Found Find(HMODULE dll, const char* name) {
        FARPROC address = dll ? GetProcAddress(dll, name) : nullptr;
        if (!address && missing_.empty()) missing_ = name;
        return {address};
    }

public:
    Crypto()
        : crypt32_(win32::LoadSystemDll(L"crypt32.dll")), wintrust_(win32::LoadSystemDll(L"wintrust.dll")),
          mssign32_(win32::LoadSystemDll(L"mssign32.dll")) {}
    ~Crypto() {
        for (HMODULE dll : {crypt32_, wintrust_, mssign32_})
            if (dll) FreeLibrary(dll);
    }
    Crypto(const Crypto&) = delete;
    Crypto& operator=(const Crypto&) = delete;

    // Every function found, or the first one missing.
    Answer Ready() const { return missing_.empty() ? Answer{} : Answer{ERROR_PROC_NOT_FOUND, "This Windows lacks " + missing_ + "."}; }

    decltype(&::CryptAcquireContextW) CryptAcquireContextW = Find(advapi32_, "CryptAcquireContextW");
    decltype(&::CryptReleaseContext) CryptReleaseContext = Find(advapi32_, "CryptReleaseContext");
    decltype(&::CryptGenKey) CryptGenKey = Find(advapi32_, "CryptGenKey");
    decltype(&::CryptDestroyKey) CryptDestroyKey = Find(advapi32_, "CryptDestroyKey");
    decltype(&::CertOpenStore) CertOpenStore = Find(crypt32_, "CertOpenStore");
    decltype(&::CertCloseStore) CertCloseStore = Find(crypt32_, "CertCloseStore");
    decltype(&::CertAddEncodedCertificateToStore) CertAddEncodedCertificateToStore =
        Find(crypt32_, "CertAddEncodedCertificateToStore");
    decltype(&::CertCreateCertificateContext) CertCreateCertificateContext = Find(crypt32_, "CertCreateCertificateContext");
    decltype(&::CertFreeCertificateContext) CertFreeCertificateContext = Find(crypt32_, "CertFreeCertificateContext");
    decltype(&::CertFindCertificateInStore) CertFindCertificateInStore = Find(crypt32_, "CertFindCertificateInStore");
    decltype(&::CertEnumCertificatesInStore) CertEnumCertificatesInStore = Find(crypt32_, "CertEnumCertificatesInStore");
    decltype(&::CertDeleteCertificateFromStore) CertDeleteCertificateFromStore =
        Find(crypt32_, "CertDeleteCertificateFromStore");
    decltype(&::CertNameToStrW) CertNameToStrW = Find(crypt32_, "CertNameToStrW");
    decltype(&::CertStrToNameW) CertStrToNameW = Find(crypt32_, "CertStrToNameW");
    decltype(&::CryptEncodeObject) CryptEncodeObject = Find(crypt32_, "CryptEncodeObject");
    decltype(&::CertCreateSelfSignCertificate) CertCreateSelfSignCertificate =
        Find(crypt32_, "CertCreateSelfSignCertificate");
    decltype(&::WinVerifyTrust) WinVerifyTrust = Find(wintrust_, "WinVerifyTrust");
    decltype(&::WTHelperProvDataFromStateData) WTHelperProvDataFromStateData =
        Find(wintrust_, "WTHelperProvDataFromStateData");
    decltype(&::WTHelperGetProvSignerFromChain) WTHelperGetProvSignerFromChain =
        Find(wintrust_, "WTHelperGetProvSignerFromChain");
    decltype(&::CryptCATOpen) CryptCATOpen = Find(wintrust_, "CryptCATOpen");
    decltype(&::CryptCATClose) CryptCATClose = Find(wintrust_, "CryptCATClose");
    decltype(&::CryptCATEnumerateMember) CryptCATEnumerateMember = Find(wintrust_, "CryptCATEnumerateMember");
    decltype(&::CryptCATAdminCalcHashFromFileHandle) CryptCATAdminCalcHashFromFileHandle =
        Find(wintrust_, "CryptCATAdminCalcHashFromFileHandle");
    HRESULT(WINAPI* SignerSignEx)(DWORD, SIGNER_SUBJECT_INFO*, SIGNER_CERT*, SIGNER_SIGNATURE_INFO*,
                                  SIGNER_PROVIDER_INFO*, LPCWSTR, PCRYPT_ATTRIBUTES, LPVOID, SIGNER_CONTEXT**) =
        Find(mssign32_, "SignerSignEx");
    HRESULT(WINAPI* SignerFreeSignerContext)(SIGNER_CONTEXT*) = Find(mssign32_, "SignerFreeSignerContext");

};

Answer HresultFailure(HRESULT result) { return Failed(static_cast<DWORD>(result)); }

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

HANDLE OpenForReading(const std::string& path) {
    return CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The local machine's store in the registry, where the tool's certificates go: the system store
// reads it, with what group policy adds (and Wine deletes nothing through the system store).
HCERTSTORE OpenMachineStore(const Crypto& crypto, const wchar_t* name) {
    return crypto.CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, name);
}

// In the local machine's system store, as Windows reads it.
bool InStore(const Crypto& crypto, const wchar_t* store, PCCERT_CONTEXT certificate) {
    HCERTSTORE opened = crypto.CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, store);
    if (!opened) return false;
    PCCERT_CONTEXT found =
        crypto.CertFindCertificateInStore(opened, kEncoding, 0, CERT_FIND_EXISTING, certificate, nullptr);
    if (found) crypto.CertFreeCertificateContext(found);
    crypto.CertCloseStore(opened, 0);
    return found != nullptr;
}

// Takes it out of one store, if it is there.
Answer RemoveFromOneStore(const Crypto& crypto, const wchar_t* store, const Certificate& certificate) {
    PCCERT_CONTEXT context = crypto.CertCreateCertificateContext(kEncoding, certificate.encoded.data(),
                                                                 static_cast<DWORD>(certificate.encoded.size()));
    if (!context) return LastFailure();
    HCERTSTORE opened = OpenMachineStore(crypto, store);
    Answer answer;
    if (!opened) {
        answer = LastFailure();
    } else {
        if (PCCERT_CONTEXT found =
                crypto.CertFindCertificateInStore(opened, kEncoding, 0, CERT_FIND_EXISTING, context, nullptr);
            found && !crypto.CertDeleteCertificateFromStore(found))  // which frees it
            answer = LastFailure();
        crypto.CertCloseStore(opened, 0);
    }
    crypto.CertFreeCertificateContext(context);
    return answer;
}

std::wstring SubjectOf(const Crypto& crypto, PCCERT_CONTEXT certificate) {
    CERT_NAME_BLOB* subject = &certificate->pCertInfo->Subject;
    DWORD size = crypto.CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, 0);
    std::wstring text(size, L'\0');
    text.resize(crypto.CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, text.data(), size));
    if (!text.empty()) text.pop_back();  // the terminating zero
    return text;
}

// An extension that says what the certificate may be used for: code signing, and nothing else
// (critical: a program that does not know the extension must refuse the certificate).
std::vector<BYTE> CodeSigningOnly(const Crypto& crypto) {
    char* usages[] = {const_cast<char*>(szOID_PKIX_KP_CODE_SIGNING)};
    CERT_ENHKEY_USAGE usage{1, usages};
    DWORD size = 0;
    if (!crypto.CryptEncodeObject(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, &usage, nullptr, &size)) return {};
    std::vector<BYTE> encoded(size);
    if (!crypto.CryptEncodeObject(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, &usage, encoded.data(), &size)) return {};
    encoded.resize(size);
    return encoded;
}

// A self-signed certificate for the key pair in the container, valid from now on for long
// enough that the package in the store never outlives it.
Answer SelfSigned(const Crypto& crypto, HCRYPTPROV provider, const std::string& subject, Hash hash,
                  Certificate& certificate) {
    std::wstring name = win32::Widen(subject);
    DWORD size = 0;
    if (!crypto.CertStrToNameW(X509_ASN_ENCODING, name.c_str(), CERT_X500_NAME_STR, nullptr, nullptr, &size, nullptr))
        return LastFailure();
    std::vector<BYTE> encodedName(size);
    if (!crypto.CertStrToNameW(X509_ASN_ENCODING, name.c_str(), CERT_X500_NAME_STR, nullptr, encodedName.data(),
                               &size, nullptr))
        return LastFailure();
    CERT_NAME_BLOB subjectBlob{size, encodedName.data()};
    std::vector<BYTE> usage = CodeSigningOnly(crypto);
    if (usage.empty()) return LastFailure();
    CERT_EXTENSION extension{const_cast<char*>(szOID_ENHANCED_KEY_USAGE), TRUE,
                             {static_cast<DWORD>(usage.size()), usage.data()}};
    CERT_EXTENSIONS extensions{1, &extension};
    CRYPT_KEY_PROV_INFO key{const_cast<wchar_t*>(kKeyContainer), const_cast<wchar_t*>(kProvider), kProviderType, 0, 0,
                            nullptr, AT_SIGNATURE};
    CRYPT_ALGORITHM_IDENTIFIER algorithm{const_cast<char*>(hash == Hash::Sha1 ? szOID_RSA_SHA1RSA : szOID_RSA_SHA256RSA),
                                         {}};
    SYSTEMTIME start, end;
    GetSystemTime(&start);
    end = start;
    end.wYear += 30;
    if (end.wMonth == 2 && end.wDay == 29) end.wDay = 28;
    PCCERT_CONTEXT made = crypto.CertCreateSelfSignCertificate(provider, &subjectBlob, 0, &key, &algorithm, &start, &end,
                                                               &extensions);
    if (!made) return LastFailure();
    certificate.encoded.assign(made->pbCertEncoded, made->pbCertEncoded + made->cbCertEncoded);
    certificate.keyContainer = win32::Narrow(kKeyContainer);
    crypto.CertFreeCertificateContext(made);
    return {};
}

}  // namespace

// An empty file is no catalogue (Wine opens one as if it were, and then fails to list it).
Answer Win32DriverPlatform::CatalogueMembers(const std::string& cataloguePath, std::vector<std::string>& hashes) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    std::wstring path = win32::Widen(cataloguePath);
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file)) return LastFailure();
    if (file.nFileSizeLow == 0 && file.nFileSizeHigh == 0) return Failed(ERROR_INVALID_DATA);
    HANDLE catalogue = crypto.CryptCATOpen(path.data(), CRYPTCAT_OPEN_EXISTING, 0, CRYPTCAT_VERSION_1, kEncoding);
    if (catalogue == INVALID_HANDLE_VALUE || !catalogue) return LastFailure();
    for (CRYPTCATMEMBER* member = nullptr; (member = crypto.CryptCATEnumerateMember(catalogue, member));)
        if (member->pwszReferenceTag) hashes.push_back(win32::Narrow(member->pwszReferenceTag));
    crypto.CryptCATClose(catalogue);
    return {};
}

// SHA-1 over the whole of a flat file, as version 1 catalogues list their members, in capital hex.
Answer Win32DriverPlatform::MemberHash(const std::string& path, std::string& hash) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return LastFailure();
    BYTE digest[64];
    DWORD size = sizeof digest;
    Answer answer;
    if (!crypto.CryptCATAdminCalcHashFromFileHandle(file, &size, digest, 0)) answer = LastFailure();
    CloseHandle(file);
    const char hex[] = "0123456789ABCDEF";
    hash.clear();
    for (DWORD i = 0; !answer.error && i < size; ++i) hash += {hex[digest[i] >> 4], hex[digest[i] & 15]};
    return answer;
}

// Authenticode's verdict on the catalogue as a file: a signature that chains to a trusted root for
// code signing. Revocation is not asked, which needs a network that the machine may not have.
Answer Win32DriverPlatform::CatalogueSignature(const std::string& cataloguePath, Signature& signature) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    std::wstring path = win32::Widen(cataloguePath);
    WINTRUST_FILE_INFO file{sizeof file, path.c_str(), nullptr, nullptr};
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    signature = Signature::None;
    if (crypto.WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data) == ERROR_SUCCESS) {
        signature = Signature::TrustedRoot;
        CRYPT_PROVIDER_DATA* provider = crypto.WTHelperProvDataFromStateData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider ? crypto.WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (signer && signer->csCertChain && InStore(crypto, L"TrustedPublisher", signer->pasCertChain[0].pCert))
            signature = Signature::TrustedPublisher;
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    crypto.WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
    return {};
}

// In the operator's temporary folder, with an access list of its own: SYSTEM and Administrators,
// nothing inherited. Copies are left writable (a CD's are read-only), for signing and removing.
Answer Win32DriverPlatform::CopyToNewFolder(const std::vector<std::string>& files, std::string& folder) {
    wchar_t temporary[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    if (length == 0 || length > MAX_PATH) return LastFailure();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return LastFailure();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    std::wstring made;
    for (int number = 1; made.empty() && number < 1000; ++number) {
        std::wstring candidate = temporary + (L"Quarn driver package " + std::to_wstring(number));
        if (CreateDirectoryW(candidate.c_str(), &attributes)) made = candidate;
        else if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    Answer answer = made.empty() ? LastFailure() : Answer{};
    LocalFree(descriptor);
    if (answer.error) return answer;
    folder = win32::Narrow(made);
    for (const std::string& file : files) {
        std::wstring from = win32::Widen(file);
        std::wstring to = made + L"\\" + FileNameOf(from);
        if (!CopyFileW(from.c_str(), to.c_str(), TRUE) || !SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL)) {
            answer = LastFailure();
            RemoveFolder(folder);
            return answer;
        }
    }
    return {};
}

Answer Win32DriverPlatform::RemoveFolder(const std::string& folder) {
    std::wstring path = win32::Widen(folder);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) ? Answer{} : LastFailure();
}

// A key pair that cannot be exported, in a container of its own; one left by a run that ended
// early goes first. On a failure neither key nor container stays.
Answer Win32DriverPlatform::MakeCertificate(const std::string& subject, Hash hash, Certificate& certificate) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    HCRYPTPROV provider = 0;
    crypto.CryptAcquireContextW(&provider, kKeyContainer, kProvider, kProviderType, CRYPT_DELETEKEYSET | CRYPT_SILENT);
    if (!crypto.CryptAcquireContextW(&provider, kKeyContainer, kProvider, kProviderType, CRYPT_NEWKEYSET | CRYPT_SILENT))
        return LastFailure();
    HCRYPTKEY key = 0;
    Answer answer;
    if (!crypto.CryptGenKey(provider, AT_SIGNATURE, 2048u << 16, &key)) answer = LastFailure();
    else answer = SelfSigned(crypto, provider, subject, hash, certificate);
    if (key) crypto.CryptDestroyKey(key);
    crypto.CryptReleaseContext(provider, 0);
    if (answer.error) {
        DestroyKey({{}, win32::Narrow(kKeyContainer)});
        certificate = {};
    }
    return answer;
}

// SHA-256, with the package's name as the signature's description, which Windows shows when it
// asks about the package; no timestamp, which needs a network.
Answer Win32DriverPlatform::SignCatalogue(const std::string& cataloguePath, const Certificate& signer) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    PCCERT_CONTEXT certificate = crypto.CertCreateCertificateContext(kEncoding, signer.encoded.data(),
                                                                     static_cast<DWORD>(signer.encoded.size()));
    if (!certificate) return LastFailure();
    std::wstring path = win32::Widen(cataloguePath);
    std::wstring container = win32::Widen(signer.keyContainer);
    DWORD index = 0;
    SIGNER_FILE_INFO file{sizeof file, path.c_str(), nullptr};
    SIGNER_SUBJECT_INFO subject{sizeof subject, &index, SIGNER_SUBJECT_FILE, &file};
    SIGNER_CERT_STORE_INFO store{sizeof store, certificate, SIGNER_CERT_POLICY_CHAIN, nullptr};
    SIGNER_CERT signerCertificate{sizeof signerCertificate, SIGNER_CERT_STORE, &store, nullptr};
    SIGNER_ATTR_AUTHCODE description{sizeof description, FALSE, TRUE, L"Quarn driver package", nullptr};
    SIGNER_SIGNATURE_INFO signature{sizeof signature, CALG_SHA_256, SIGNER_AUTHCODE_ATTR, &description, nullptr, nullptr};
    SIGNER_PROVIDER_INFO provider{sizeof provider, kProvider, kProviderType, AT_SIGNATURE, PVK_TYPE_KEYCONTAINER,
                                  container.data()};
    SIGNER_CONTEXT* context = nullptr;
    HRESULT result = crypto.SignerSignEx(0, &subject, &signerCertificate, &signature, &provider, nullptr, nullptr,
                                         nullptr, &context);
    if (context) crypto.SignerFreeSignerContext(context);
    crypto.CertFreeCertificateContext(certificate);
    return SUCCEEDED(result) ? Answer{} : HresultFailure(result);
}

Answer Win32DriverPlatform::DestroyKey(const Certificate& certificate) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    HCRYPTPROV provider = 0;
    std::wstring container = win32::Widen(certificate.keyContainer);
    if (!crypto.CryptAcquireContextW(&provider, container.c_str(), kProvider, kProviderType, CRYPT_DELETEKEYSET | CRYPT_SILENT))
        return LastFailure();
    return {};
}

// The local machine's stores, which an administrator changes without being asked (the current
// user's Root store asks), and which driver installation reads.
Answer Win32DriverPlatform::AddToTrustedStores(const Certificate& certificate) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    for (const wchar_t* store : kTrustedStores) {
        HCERTSTORE opened = OpenMachineStore(crypto, store);
        bool added = opened && crypto.CertAddEncodedCertificateToStore(opened, kEncoding, certificate.encoded.data(),
                                                                       static_cast<DWORD>(certificate.encoded.size()),
                                                                       CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        Answer answer = added ? Answer{} : LastFailure();
        if (opened) crypto.CertCloseStore(opened, 0);
        if (answer.error) {
            RemoveFromTrustedStores(certificate);
            return answer;
        }
    }
    return {};
}

Answer Win32DriverPlatform::TrustedCertificates(const std::string& subject, std::vector<Certificate>& certificates) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    std::wstring wanted = win32::Widen(subject);
    for (const wchar_t* store : kTrustedStores) {
        HCERTSTORE opened = OpenMachineStore(crypto, store);
        if (!opened) return LastFailure();
        for (PCCERT_CONTEXT each = nullptr; (each = crypto.CertEnumCertificatesInStore(opened, each));) {
            if (SubjectOf(crypto, each) != wanted) continue;
            Certificate found{{each->pbCertEncoded, each->pbCertEncoded + each->cbCertEncoded}, ""};
            bool known = false;
            for (const Certificate& other : certificates) known = known || other.encoded == found.encoded;
            if (!known) certificates.push_back(found);
        }
        crypto.CertCloseStore(opened, 0);
    }
    return {};
}

Answer Win32DriverPlatform::RemoveFromTrustedStores(const Certificate& certificate) {
    Crypto crypto;
    if (Answer ready = crypto.Ready(); ready.error) return ready;
    Answer answer;
    for (const wchar_t* store : kTrustedStores)
        if (Answer removed = RemoveFromOneStore(crypto, store, certificate); removed.error && !answer.error) answer = removed;
    return answer;
}
