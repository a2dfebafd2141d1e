#include "frame_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace frame_number {
namespace {

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Reads the text with the skipped characters left out, one character at a time.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) { Skip(); }
    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    void Next() {
        ++at_;
        Skip();
    }
    bool Take(char lower) {
        char c = Peek();
        if (c != lower && c != lower - 'a' + 'A') return false;
        Next();
        return true;
    }

private:
    void Skip() {
        while (at_ < text_.size() && IsSkipped(text_[at_])) ++at_;
    }
    std::string_view text_;
    std::size_t at_ = 0;
};

double RadixValue(Reader& in, int radix) {
    double value = 0;
    for (int digit; (digit = DigitValue(in.Peek())) < radix; in.Next()) value = value * radix + digit;
    return value;
}

std::string Digits(Reader& in) {
    std::string digits;
    for (; IsDigit(in.Peek()); in.Next()) digits += in.Peek();
    return digits;
}

}  // namespace

double LeadingValue(std::string_view text) {
    Reader in(text);
    if (in.Peek() == '&') {
        in.Next();
        if (in.Take('h')) return RadixValue(in, 16);
        if (in.Take('o')) return RadixValue(in, 8);
        return 0;
    }

    bool negative = in.Peek() == '-';
    if (negative || in.Peek() == '+') in.Next();
    std::string whole = Digits(in);
    std::string fraction;
    if (in.Peek() == '.') {
        in.Next();
        fraction = Digits(in);
    }
    if (whole.empty() && fraction.empty()) return 0;

    // An exponent counts only with at least one digit: "1e" and "2e+" stop before the letter.
    long exponent = 0;
    char marker = in.Peek();
    if (marker == 'e' || marker == 'E' || marker == 'd' || marker == 'D') {
        in.Next();
        bool negativeExponent = in.Peek() == '-';
        if (negativeExponent || in.Peek() == '+') in.Next();
        for (; IsDigit(in.Peek()); in.Next())
            exponent = std::min(exponent * 10 + (in.Peek() - '0'), 1'000'000L);  // beyond any double
        if (negativeExponent) exponent = -exponent;
    }

    std::string number = (whole.empty() ? "0" : whole) + "." + fraction + "e" + std::to_string(exponent);
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: which one the decimal point's place tells.
        std::size_t leading = whole.find_first_not_of('0');
        long order = leading != std::string::npos
                         ? static_cast<long>(whole.size() - leading) - 1 + exponent
                         : exponent - static_cast<long>(fraction.find_first_not_of('0')) - 1;
        value = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

int ToFrameNumber(double value) {
    double rounded = std::nearbyint(value);  // the default rounding mode sends halves to even
    if (!(rounded >= kFirst)) return kFirst;
    if (rounded > kLast) return kLast;
    return static_cast<int>(rounded);
}

std::string Format(int frame) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", frame);
    return text;
}

}  // namespace frame_number
