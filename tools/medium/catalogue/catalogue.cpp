#include "catalogue.h"

#include <openssl/evp.h>

#include <stdexcept>

const char kWindows7To11[] = "2:6.1,2:6.2,2:6.3,2:10.0";

namespace {

const char kSignedData[] = "1.2.840.113549.1.7.2";
const char kSha1[] = "1.3.14.3.2.26";
const char kCertificateTrustList[] = "1.3.6.1.4.1.311.10.1";
const char kCatalogueList[] = "1.3.6.1.4.1.311.12.1.1";
const char kCatalogueListMember[] = "1.3.6.1.4.1.311.12.1.2";  // version 1: SHA-1 members
const char kNameValue[] = "1.3.6.1.4.1.311.12.2.1";
const char kMemberInfo[] = "1.3.6.1.4.1.311.12.2.2";
const char kIndirectData[] = "1.3.6.1.4.1.311.2.1.4";
const char kFlatFileData[] = "1.3.6.1.4.1.311.2.1.25";
// The subject interface package that hashes a file as a whole.
const char kFlatFileSubject[] = "{DE351A42-8E59-11D0-8C47-00C04FC295EE}";
const uint32_t kMemberInfoVersion = 512;
// An authenticated attribute whose name and value are text.
const uint32_t kTextAttribute = 0x10010001;

std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : bytes) text += {digits[byte >> 4], digits[byte & 0x0F]};
    return text;
}

Bytes NameValue(const std::string& name, const std::string& value) {
    return der::Sequence(
        {der::BmpString(name), der::Integer(kTextAttribute), der::OctetString(der::WideString(value))});
}

Bytes Attribute(const char* type, const Bytes& value) {
    return der::Sequence({der::ObjectId(type), der::SetOf({value})});
}

// What the signature covers of a file: its hash, and that it is hashed as a flat file (whose
// file link MakeCat fills with this text).
Bytes IndirectData(const Bytes& sha1) {
    Bytes link = der::Explicit(2, der::Implicit(0, der::BmpString("<<<Obsolete>>>")));
    return der::Sequence({der::Sequence({der::ObjectId(kFlatFileData), link}),
                          der::Sequence({der::Sequence({der::ObjectId(kSha1), der::Null()}), der::OctetString(sha1)})});
}

// A member, found by its tag (the hexadecimal of its hash), with its file's name (File) and the
// Windows versions (OSAttr), as on the catalogue itself.
Bytes Entry(const CatalogueMember& member, const std::string& osAttr) {
    if (member.sha1.size() != 20) throw std::invalid_argument("not a SHA-1 hash: " + member.name);
    return der::Sequence({der::OctetString(der::WideString(Hex(member.sha1))),
                          der::SetOf({Attribute(kNameValue, NameValue("File", member.name)),
                                      Attribute(kNameValue, NameValue("OSAttr", osAttr)),
                                      Attribute(kMemberInfo, der::Sequence({der::BmpString(kFlatFileSubject),
                                                                            der::Integer(kMemberInfoVersion)})),
                                      Attribute(kIndirectData, IndirectData(member.sha1))})});
}

// A name-based GUID (version 5, from SHA-1) of the release date and the members' hashes: the same
// for every build of a release, another for each release.
Bytes ListIdentifier(const std::vector<CatalogueMember>& members, int64_t releaseDate) {
    std::string date = std::to_string(releaseDate);
    Bytes name(date.begin(), date.end());
    for (const auto& member : members) name.insert(name.end(), member.sha1.begin(), member.sha1.end());
    Bytes guid = Sha1(name);
    guid.resize(16);
    guid[6] = static_cast<uint8_t>((guid[6] & 0x0F) | 0x50);
    guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);
    return guid;
}

}  // namespace

Bytes Sha1(const Bytes& data) {
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int size = 0;
    if (!EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_sha1(), nullptr))
        throw std::runtime_error("SHA-1 is not available");
    digest.resize(size);
    return digest;
}

Bytes Catalogue(const std::vector<CatalogueMember>& members, const std::string& osAttr, int64_t releaseDate) {
    std::vector<Bytes> entries;
    for (const auto& member : members) entries.push_back(Entry(member, osAttr));
    // The catalogue's own attributes travel as the list's extensions.
    Bytes extensions =
        der::Sequence({der::Sequence({der::ObjectId(kNameValue), der::OctetString(NameValue("OSAttr", osAttr))})});
    Bytes list = der::Sequence({der::Sequence({der::ObjectId(kCatalogueList)}),
                                der::OctetString(ListIdentifier(members, releaseDate)),
                                der::Time(releaseDate),
                                der::Sequence({der::ObjectId(kCatalogueListMember), der::Null()}),
                                der::Sequence(entries),
                                der::Explicit(0, extensions)});
    // Version 1, no digest algorithms and no signers: the maker's signing adds them.
    Bytes signedData = der::Sequence({der::Integer(1), der::SetOf({}),
                                      der::Sequence({der::ObjectId(kCertificateTrustList), der::Explicit(0, list)}),
                                      der::SetOf({})});
    return der::Sequence({der::ObjectId(kSignedData), der::Explicit(0, signedData)});
}
