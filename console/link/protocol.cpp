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

// Where the next control byte may stand: the first byte from `from` on below 0x16, which all four
// are, or the end. A flood runs through here, so it looks at eight bytes at a time: a byte below
// 0x16 sets the top bit of its lane in (word - 0x16...) & ~word, and the lowest lane set is the
// first such byte (a borrow only runs upwards from it).
std::size_t NextLowByte(std::string_view bytes, std::size_t from) {
    static_assert(std::endian::native == std::endian::little, "the first byte is the word's lowest");
    constexpr std::uint64_t kLanes = 0x0101010101010101, kTops = 0x8080808080808080;
    std::size_t at = from;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        if (std::uint64_t low = (word - kLanes * 0x16) & ~word & kTops) return at + std::countr_zero(low) / 8;
    }
    while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) >= 0x16) ++at;
    return at;
}

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
    while (!bytes.empty()) {
        std::size_t plain = NextLowByte(bytes, 0);
        while (plain < bytes.size() && !IsControl(bytes[plain])) plain = NextLowByte(bytes, plain + 1);
        // As many of the plain bytes as the bound leaves room for.
        text_.append(bytes.data(), std::min(plain, kMaxLength - text_.size()));
        bytes.remove_prefix(plain);
        if (bytes.empty()) return false;
        char control = bytes.front();
        bytes.remove_prefix(1);
        switch (control) {
        case kAck: AppendMarker("[ACK]"); break;
        case kNak: AppendMarker("[NAK]"); break;
        case kStx: text_ = "[STX]"; break;
        case kEtx:
            if (text_.size() + 5 > kMaxLength) text_.resize(kMaxLength - 5);
            text_ += "[ETX]";
            return true;
        }
    }
    return false;
}

// A marker goes in whole or not at all.
void ReplyLine::AppendMarker(std::string_view marker) {
    if (text_.size() + marker.size() <= kMaxLength) text_ += marker;
}

std::optional<char> DeviceErrorCode(std::string_view line) {
    if (Mid(line, 6, 5) != "error" || line.size() < 11) return std::nullopt;
    return line[10];
}

std::optional<std::string> FrameNumber(std::string_view line) {
    if (Mid(line, 6, 3) != "frm") return std::nullopt;
    std::string_view number = Mid(line, 9, 4);
    if (number.size() != 4) return std::nullopt;
    for (char c : number)
        if (!IsDigit(c)) return std::nullopt;
    return std::string(number);
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
