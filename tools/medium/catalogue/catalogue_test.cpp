// The DER writer where encodings have their corners (long lengths, large arcs, sign bytes, the
// order of a set, the two kinds of time), and the catalogue as OpenSSL's PKCS #7 reader sees it.
#include "catalogue.h"

#include <gtest/gtest.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>

#include <algorithm>
#include <stdexcept>

namespace {

Bytes Hex(const std::string& text) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Element(uint8_t tag, const std::string& text) {
    Bytes element = Ascii(text);
    element.insert(element.begin(), {tag, static_cast<uint8_t>(text.size())});
    return element;
}

bool Contains(const Bytes& bytes, const Bytes& part) {
    return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

// The tag and length of an octet string of `size` bytes.
Bytes Header(size_t size) {
    Bytes element = der::OctetString(Bytes(size));
    return Bytes(element.begin(), element.end() - static_cast<long>(size));
}

TEST(Der, LengthsPastOneByteTakeLengthBytes) {
    EXPECT_EQ(Header(127), Hex("047F"));
    EXPECT_EQ(Header(128), Hex("048180"));
    EXPECT_EQ(Header(255), Hex("0481FF"));
    EXPECT_EQ(Header(256), Hex("04820100"));
    EXPECT_EQ(Header(70000), Hex("0483011170"));
}

TEST(Der, ObjectIdentifiersInBase128) {
    EXPECT_EQ(der::ObjectId("1.3.6.1.4.1.311.10.1"), Hex("06092B0601040182370A01"));
    EXPECT_EQ(der::ObjectId("2.999.16384"), Hex("06058837818000"));
    for (const char* wrong : {"1", "1.40", "3.1", "1..2", "1.2.", "1.x"})
        EXPECT_THROW(der::ObjectId(wrong), std::invalid_argument) << wrong;
}

TEST(Der, IntegersArePositive) {
    EXPECT_EQ(der::Integer(0), Hex("020100"));
    EXPECT_EQ(der::Integer(127), Hex("02017F"));
    EXPECT_EQ(der::Integer(128), Hex("02020080"));
    EXPECT_EQ(der::Integer(512), Hex("02020200"));
    EXPECT_EQ(der::Integer(0x10010001), Hex("020410010001"));
    EXPECT_EQ(der::Integer(0xFFFFFFFF), Hex("020500FFFFFFFF"));
}

TEST(Der, SetOfIsOrderedByEncoding) {
    EXPECT_EQ(der::SetOf({der::Integer(300), der::Integer(2), der::Integer(1)}), Hex("310A0201010201020202012C"));
    EXPECT_EQ(der::SetOf({}), Hex("3100"));
}

TEST(Der, TimesUntil2049AreUtcTimesThenGeneralizedTimes) {
    EXPECT_EQ(der::Time(0), Element(0x17, "700101000000Z"));
    EXPECT_EQ(der::Time(1767225599), Element(0x17, "251231235959Z"));
    EXPECT_EQ(der::Time(2524607999), Element(0x17, "491231235959Z"));
    EXPECT_EQ(der::Time(2524608000), Element(0x18, "20500101000000Z"));
}

TEST(Der, TextIsAsciiInUtf16) {
    EXPECT_EQ(der::BmpString("Fi"), Hex("1E0400460069"));
    EXPECT_EQ(der::WideString("Fi"), Hex("460069000000"));
    EXPECT_THROW(der::BmpString("caf\xC3\xA9"), std::invalid_argument);
    EXPECT_EQ(der::Implicit(0, der::BmpString("F")), Hex("80020046"));
    EXPECT_EQ(der::Explicit(2, der::Null()), Hex("A2020500"));
}

class Catalogue : public testing::Test {
protected:
    const int64_t releaseDate = 1767225600;  // 2026-01-01
    const Bytes inf = Ascii("[Version]\r\nSignature = \"$Windows NT$\"\r\n");
    std::vector<CatalogueMember> members = {{"VL_USB.INF", Sha1(inf)}};
};

TEST_F(Catalogue, IsASignedDataAroundACertificateTrustList) {
    Bytes catalogue = ::Catalogue(members, kWindows7To11, releaseDate);
    const unsigned char* next = catalogue.data();
    PKCS7* message = d2i_PKCS7(nullptr, &next, static_cast<long>(catalogue.size()));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(next, catalogue.data() + catalogue.size());
    ASSERT_TRUE(PKCS7_type_is_signed(message));
    char type[64];
    OBJ_obj2txt(type, sizeof type, message->d.sign->contents->type, 1);
    EXPECT_STREQ(type, "1.3.6.1.4.1.311.10.1");
    EXPECT_EQ(sk_PKCS7_SIGNER_INFO_num(message->d.sign->signer_info), 0);
    PKCS7_free(message);
}

// Windows finds the member by its tag, the hash in hexadecimal, and compares the hash it computes
// with the member's digest.
TEST_F(Catalogue, HoldsEachMemberByItsHash) {
    EXPECT_EQ(Sha1(inf), Hex("D560F94D01BEB5F9E103BFEDE793B5D6957FEC1D")) << "not this input's SHA-1";
    Bytes catalogue = ::Catalogue(members, kWindows7To11, releaseDate);
    EXPECT_TRUE(Contains(catalogue, der::OctetString(members[0].sha1)));
    EXPECT_TRUE(Contains(catalogue, der::OctetString(der::WideString("D560F94D01BEB5F9E103BFEDE793B5D6957FEC1D"))));
    EXPECT_TRUE(Contains(catalogue, der::OctetString(der::WideString("VL_USB.INF"))));
    EXPECT_TRUE(Contains(catalogue, der::OctetString(der::WideString("2:6.1,2:6.2,2:6.3,2:10.0"))));
    EXPECT_THROW(::Catalogue({{"short", Bytes(19)}}, kWindows7To11, releaseDate), std::invalid_argument);
}

TEST_F(Catalogue, IsTheSameForOneReleaseAndDatedByIt) {
    Bytes catalogue = ::Catalogue(members, kWindows7To11, releaseDate);
    EXPECT_EQ(::Catalogue(members, kWindows7To11, releaseDate), catalogue);
    EXPECT_TRUE(Contains(catalogue, der::Time(releaseDate)));
    // A second later, the list identifier (the 16 bytes before the time) and the time differ, and
    // nothing else.
    Bytes later = ::Catalogue(members, kWindows7To11, releaseDate + 1);
    ASSERT_EQ(later.size(), catalogue.size());
    Bytes time = der::Time(releaseDate);
    size_t at = std::search(catalogue.begin(), catalogue.end(), time.begin(), time.end()) - catalogue.begin();
    size_t identifierDiffers = 0;
    for (size_t i = 0; i < later.size(); ++i) {
        if (later[i] == catalogue[i]) continue;
        EXPECT_TRUE(i >= at - 16 && i < at + time.size()) << "byte " << i;
        identifierDiffers += i < at;
    }
    EXPECT_GT(identifierDiffers, 0u);
    EXPECT_TRUE(Contains(later, der::Time(releaseDate + 1)));
}

}  // namespace
