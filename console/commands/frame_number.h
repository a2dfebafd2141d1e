// The frame number as the frame box holds it: a text the operator edits freely, read as a
// number, stepped, and written back as four digits from 0001 to 0511.
#pragma once

#include <string>
#include <string_view>

namespace frame_number {

inline constexpr int kFirst = 1;
inline constexpr int kLast = 511;

// The leading number of a text: blanks, tabs and line feeds are skipped anywhere; a sign,
// digits, a period as the decimal point (whatever the locale) and an exponent with E or D, or
// &H / &O and hexadecimal / octal digits. The first character that cannot continue the number
// ends it; a text without a number gives 0.
double LeadingValue(std::string_view text);

// Rounded to the nearest whole number, halves to the even one, and clamped to 1 to 511. Values
// beyond a 16-bit integer, infinities included, clamp like any other.
int ToFrameNumber(double value);

// Four digits with leading zeros: 0001 to 0511.
std::string Format(int frame);

}  // namespace frame_number
