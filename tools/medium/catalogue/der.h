// A small writer of DER, the distinguished encoding of ASN.1 that catalogues and signatures use:
// each function returns one complete element (tag, length, contents).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace der {

Bytes Sequence(const std::vector<Bytes>& elements);
// A SET OF: DER orders its elements by their encodings.
Bytes SetOf(std::vector<Bytes> elements);
// [number] EXPLICIT: the element wrapped in a constructed context-specific tag.
Bytes Explicit(int number, const Bytes& element);
// [number] IMPLICIT: the element with its tag replaced by a context-specific one.
Bytes Implicit(int number, Bytes element);

// "1.3.6.1.4.1.311.10.1"
Bytes ObjectId(std::string_view dotted);
Bytes Integer(uint32_t value);
Bytes Null();
Bytes OctetString(const Bytes& contents);
// Text of ASCII characters as UTF-16, big-endian, without a terminating NUL.
Bytes BmpString(std::string_view text);
// UTCTime through 2049, GeneralizedTime from 2050 on, as X.509 requires.
Bytes Time(int64_t secondsSince1970);

// ASCII text as UTF-16, little-endian, with its terminating NUL: how Windows keeps the strings
// of a catalogue's attributes and tags inside octet strings.
Bytes WideString(std::string_view text);

}  // namespace der
