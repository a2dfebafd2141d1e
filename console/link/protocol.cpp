#include "protocol.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace device_link {
namespace {

// The characters at 1-based positions [first, first + count), shortened to what exists.
std::string_view Mid(std::string_view line, std::size_t first, std::size_t count) {
    return first > line.size() ? std::string_view{} : line.substr(first - 1, count);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsControl(char c) { return c == kStx || c == kEtx || c == kAck || c == kNak; }

// The first byte in [at, end) below 0x16, which all four control bytes are, or end. A flood runs
// through here, so it looks at eight bytes at a time: a byte below 0x16 sets the top bit of its
// lane in (word - 0x16...) & ~word, and the lowest lane set is the first such byte (a borrow only
// runs upwards from it).
const char* NextLowByte(const char* at, const char* end) {
    static_assert(std::endian::native == std::endian::little, "the first byte is the word's lowest");
    constexpr std::uint64_t kLanes = 0x0101010101010101, kTops = 0x8080808080808080;
    for (; end - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        if (std::uint64_t low = (word - kLanes * 0x16) & ~word & kTops) return at + std::countr_zero(low) / 8;
    }
    while (at != end && static_cast<unsigned char>(*at) >= 0x16) ++at;
    return at;
}

// The first control byte in [at, end), or end.
const char* NextControl(const char* at, const char* end) {
    for (;; ++at) {
        at = NextLowByte(at, end);
        if (at == end || IsControl(*at)) return at;
    }
}

// What each control byte appends, in eight bytes to copy at once.
constexpr char kMarkers[0x16][8] = {
    {}, {}, "[STX]", "[ETX]", {}, {}, "[ACK]", {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, "[NAK]",
};

}  // namespace

std::string BuildFrame(std::string_view command) {
    std::string frame;
    frame.reserve(command.size() + 2);
    frame += kStx;
    frame += command;
    frame += kEtx;
    return frame;
}

bool ReplyLine::Feed(std::string_view& bytes) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    // Kept in locals until the end: the copies into the line could otherwise alias them.
    std::size_t size = size_;
    bool complete = false;
    while (at != end && !complete) {
        const char* control = NextControl(at, end);
        // As many of the plain bytes as the bound leaves room for; short runs, the usual ones
        // between control bytes, go as one copy of fixed size into the slack.
        std::size_t plain = std::min(static_cast<std::size_t>(control - at), kMaxLength - size);
        if (plain <= kSlack && end - at >= static_cast<std::ptrdiff_t>(kSlack))
            std::memcpy(text_ + size, at, kSlack);
        else
            std::memcpy(text_ + size, at, plain);
        size += plain;
        if (control == end) {
            at = end;
            break;
        }
        at = control + 1;
        // STX starts the line afresh; ETX always ends it with its marker; the others' markers go
        // in whole or not at all.
        unsigned char byte = *control;
        if (byte == kStx) size = 0;
        if (byte == kEtx) size = std::min(size, kMaxLength - 5);
        std::memcpy(text_ + size, kMarkers[byte], 8);
        if (size + 5 <= kMaxLength) size += 5;
        complete = byte == kEtx;
    }
    size_ = size;
    bytes = {at, static_cast<std::size_t>(end - at)};
    return complete;
}

std::optional<char> DeviceErrorCode(std::string_view line) {
    if (Mid(line, 6, 5) != "error" || line.size() < 11) return std::nullopt;
    return line[10];
}

std::optional<std::string_view> FrameNumber(std::string_view line) {
    if (Mid(line, 6, 3) != "frm") return std::nullopt;
    std::string_view number = Mid(line, 9, 4);
    if (number.size() != 4) return std::nullopt;
    for (char c : number)
        if (!IsDigit(c)) return std::nullopt;
    return number;
}

std::string_view DeviceErrorMessage(char code) {
    switch (code) {
    case '1': return "命令出错! ";
    case '2': return "板卡禁止写操作,请拨SW2解除写保护! ";
    case '3': return "存储器不能被擦除干净! ";
    case '4': return "写操作不能继续进行! ";
    default: return "未知错误! ";
    }
}

}  // namespace device_link
