#include "der.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace der {

namespace {

enum Tag : uint8_t {
    kInteger = 0x02,
    kOctetString = 0x04,
    kNull = 0x05,
    kObjectId = 0x06,
    kUtcTime = 0x17,
    kGeneralizedTime = 0x18,
    kBmpString = 0x1E,
    kSequence = 0x30,
    kSet = 0x31,
    kContext = 0x80,
    kConstructed = 0x20,
};

Bytes Element(uint8_t tag, const Bytes& contents) {
    Bytes element{tag};
    size_t length = contents.size();
    if (length < 0x80) {
        element.push_back(static_cast<uint8_t>(length));
    } else {
        Bytes digits;
        for (; length; length >>= 8) digits.insert(digits.begin(), static_cast<uint8_t>(length));
        element.push_back(static_cast<uint8_t>(0x80 | digits.size()));
        element.insert(element.end(), digits.begin(), digits.end());
    }
    element.insert(element.end(), contents.begin(), contents.end());
    return element;
}

Bytes Concatenated(const std::vector<Bytes>& elements) {
    Bytes contents;
    for (const auto& element : elements) contents.insert(contents.end(), element.begin(), element.end());
    return contents;
}

// Base 128, most significant group first, each group but the last with its high bit set.
void AppendArc(Bytes& contents, uint64_t arc) {
    Bytes groups{static_cast<uint8_t>(arc & 0x7F)};
    for (arc >>= 7; arc; arc >>= 7) groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (arc & 0x7F)));
    contents.insert(contents.end(), groups.begin(), groups.end());
}

uint8_t ContextTag(int number, int form) {
    if (number < 0 || number > 30) throw std::invalid_argument("context tag number out of range");
    return static_cast<uint8_t>(kContext | form | number);
}

// The shorter of two encodings that agree up to its end sorts first, as if padded with zeros.
bool EncodedBefore(const Bytes& a, const Bytes& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return a[i] < b[i];
    return a.size() < b.size();
}

// Each character is one UTF-16 unit only in ASCII.
std::string_view Ascii(std::string_view text) {
    for (unsigned char c : text)
        if (c > 0x7F) throw std::invalid_argument("not ASCII: " + std::string(text));
    return text;
}

}  // namespace

Bytes Sequence(const std::vector<Bytes>& elements) { return Element(kSequence, Concatenated(elements)); }

Bytes SetOf(std::vector<Bytes> elements) {
    std::sort(elements.begin(), elements.end(), EncodedBefore);
    return Element(kSet, Concatenated(elements));
}

Bytes Explicit(int number, const Bytes& element) { return Element(ContextTag(number, kConstructed), element); }

Bytes Implicit(int number, Bytes element) {
    element[0] = ContextTag(number, element[0] & kConstructed);
    return element;
}

Bytes ObjectId(std::string_view dotted) {
    std::vector<uint64_t> arcs;
    std::string text(dotted);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('.', start);
        if (end == std::string::npos) end = text.size();
        std::string arc = text.substr(start, end - start);
        if (arc.empty() || arc.find_first_not_of("0123456789") != std::string::npos)
            throw std::invalid_argument("not an object identifier: " + text);
        arcs.push_back(std::stoull(arc));
        start = end + 1;
    }
    if (arcs.size() < 2 || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] > 39))
        throw std::invalid_argument("not an object identifier: " + text);
    Bytes contents;
    AppendArc(contents, arcs[0] * 40 + arcs[1]);
    for (size_t i = 2; i < arcs.size(); ++i) AppendArc(contents, arcs[i]);
    return Element(kObjectId, contents);
}

Bytes Integer(uint32_t value) {
    Bytes contents;
    for (uint32_t rest = value; rest; rest >>= 8) contents.insert(contents.begin(), static_cast<uint8_t>(rest));
    // A leading 1 bit would make it negative.
    if (contents.empty() || contents.front() & 0x80) contents.insert(contents.begin(), 0);
    return Element(kInteger, contents);
}

Bytes Null() { return Element(kNull, {}); }

Bytes OctetString(const Bytes& contents) { return Element(kOctetString, contents); }

Bytes BmpString(std::string_view text) {
    Bytes contents;
    for (unsigned char c : Ascii(text)) contents.insert(contents.end(), {0, c});
    return Element(kBmpString, contents);
}

Bytes Time(int64_t secondsSince1970) {
    using namespace std::chrono;
    sys_seconds time{seconds{secondsSince1970}};
    sys_days day = floor<days>(time);
    year_month_day date{day};
    hh_mm_ss clock{time - day};
    int year = static_cast<int>(date.year());
    bool utc = year >= 1950 && year < 2050;
    char text[20];
    std::snprintf(text, sizeof text, "%0*d%02u%02u%02d%02d%02dZ", utc ? 2 : 4, utc ? year % 100 : year,
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    std::string_view digits(text);
    return Element(utc ? kUtcTime : kGeneralizedTime, Bytes(digits.begin(), digits.end()));
}

Bytes WideString(std::string_view text) {
    Bytes bytes;
    for (unsigned char c : Ascii(text)) bytes.insert(bytes.end(), {c, 0});
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

}  // namespace der
