// The serial conversation with the board: outgoing frames, the reply line and its decoding.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <emmintrin.h>

namespace device_link {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;

// STX, the command's bytes, ETX: one block, written in one call.
std::string BuildFrame(std::string_view command);

// What has arrived since the last STX, one byte a character position, control bytes as the
// markers [STX], [ETX], [ACK] and [NAK].
class ReplyLine {
public:
    // A board at the wrong baud rate sends garbage without STX for as long as it runs; the line
    // keeps only its first 4 KiB, so memory and the time to show it stay small. The decoded
    // positions lie at its start, and an ETX always ends the line with its marker.
    static constexpr std::size_t kMaxLength = 4096;

    // Takes received bytes in arrival order, exactly as if one at a time; at each ETX, that is
    // when a reply is complete, calls onReply(), which may read Text() but must not feed the line.
    template <class OnReply> void Feed(std::string_view bytes, OnReply&& onReply);
    // Takes one received byte; true when it was an ETX.
    bool Feed(char byte) {
        bool complete = false;
        Feed(std::string_view(&byte, 1), [&complete] { complete = true; });
        return complete;
    }
    // The line as it stands, until the next Feed.
    std::string_view Text() const { return {text_, size_}; }

private:
    // The board may send a reply every few bytes, and each must cost only a few steps: bytes are
    // taken a block at a time, the control bytes among them found at once, and runs of plain
    // bytes and markers copied in pieces of fixed size into the room past the bound. The block is
    // walked from ETX to ETX: of what lies before an ETX, only what follows the last STX counts,
    // and the markers among it are rare, so a reply costs no step that depends on which control
    // bytes came between replies.
    static constexpr std::size_t kBlock = 64;
    static constexpr std::size_t kPiece = 16;
    template <class OnReply>
    void FeedBlock(const char* block, std::size_t count, std::size_t& size, OnReply& onReply);
    // Takes bytes [from, to) of a block, which hold no ETX.
    void TakeRun(const char* block, std::size_t from, std::size_t to, std::uint64_t stx, std::uint64_t ackNak,
                 std::size_t& size);
    // Appends count <= kBlock plain bytes, as many as the bound leaves room for, in whole pieces
    // read from `from` on. Most runs fit the first piece.
    void Append(const char* from, std::size_t count, std::size_t& size) {
        std::memcpy(text_ + size, from, kPiece);
        for (std::size_t done = kPiece; done < count; done += kPiece)
            std::memcpy(text_ + size + done, from + done, kPiece);
        size = std::min(size + count, kMaxLength);
    }
    char text_[kMaxLength + kBlock];
    std::size_t size_ = 0;
};

// The two tests of a finished line, inline because every reply goes through them.

// The code character of a device-error reply ("error" at positions 6 to 10), if the line is one.
inline std::optional<char> DeviceErrorCode(std::string_view line) {
    if (line.size() < 11 || line.substr(5, 5) != "error") return std::nullopt;
    return line[10];
}
// The frame number of a frame-number reply ("frm" at positions 6 to 8), if positions 9 to 12
// hold four decimal digits; the digits as they stand in the line.
inline std::optional<std::string_view> FrameNumber(std::string_view line) {
    if (line.size() < 12 || line.substr(5, 3) != "frm") return std::nullopt;
    std::string_view number = line.substr(8, 4);
    // The four at once: below '0' sets a top bit in the difference, above '9' in the sum. Lanes
    // below the first such byte are digits and pass no borrow or carry up to it.
    std::uint32_t digits;
    std::memcpy(&digits, number.data(), 4);
    if (((digits - 0x30303030u) | (digits + 0x46464646u)) & 0x80808080u) return std::nullopt;
    return number;
}

// The board's error codes, explained to the operator (UTF-8).
inline constexpr std::string_view kDeviceErrorTitle = "提示";
std::string_view DeviceErrorMessage(char code);

namespace reply_line_detail {

// Bit i set when byte i of the sixteen is `value`. Every x86-64 processor has SSE2, which
// compares sixteen bytes at once.
inline std::uint64_t Bits16(__m128i bytes, char value) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(value))));
}

// Where the control bytes lie among the sixty-four bytes of a block, bit i for byte i.
struct ControlBits {
    std::uint64_t stx = 0, etx = 0, ackNak = 0;
    explicit ControlBits(const char* at) {
        for (int lane = 0; lane < 64; lane += 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + lane));
            stx |= Bits16(bytes, kStx) << lane;
            etx |= Bits16(bytes, kEtx) << lane;
            ackNak |= (Bits16(bytes, kAck) | Bits16(bytes, kNak)) << lane;
        }
    }
};

// The bits of the positions from `from` up to, not including, `to` (at most 64).
inline std::uint64_t Between(std::size_t from, std::size_t to) {
    auto below = [](std::size_t position) { return position < 64 ? (std::uint64_t{1} << position) - 1 : ~0ull; };
    return below(to) & ~below(from);
}

// What each control byte appends, in eight bytes to copy at once.
inline constexpr char kMarkers[kNak + 1][8] = {
    {}, {}, "[STX]", "[ETX]", {}, {}, "[ACK]", {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, "[NAK]",
};

inline const char* Marker(char control) { return kMarkers[static_cast<unsigned char>(control)]; }

}  // namespace reply_line_detail

template <class OnReply> inline void ReplyLine::Feed(std::string_view bytes, OnReply&& onReply) {
    std::size_t size = size_;  // in a local while the copies into the line could alias it
    // A block's last run is read in whole pieces, up to a piece past the block's end, so blocks
    // are taken in place while another block follows them, and the rest from a copy with room
    // behind it.
    const char* block = bytes.data();
    const char* const end = block + bytes.size();
    for (; end - block >= static_cast<std::ptrdiff_t>(2 * kBlock); block += kBlock)
        FeedBlock(block, kBlock, size, onReply);
    if (std::size_t left = end - block) {
        char rest[3 * kBlock] = {};
        std::memcpy(rest, block, left);
        for (std::size_t at = 0; at < left; at += kBlock)
            FeedBlock(rest + at, std::min(left - at, kBlock), size, onReply);
    }
    size_ = size;
}

template <class OnReply>
inline void ReplyLine::FeedBlock(const char* block, std::size_t count, std::size_t& size, OnReply& onReply) {
    const reply_line_detail::ControlBits controls(block);
    std::size_t from = 0;  // the first byte not yet taken
    for (std::uint64_t etx = controls.etx; etx; etx &= etx - 1) {
        std::size_t at = std::countr_zero(etx);
        TakeRun(block, from, at, controls.stx, controls.ackNak, size);
        // ETX always ends the line with its marker.
        size = std::min(size, kMaxLength - 5);
        std::memcpy(text_ + size, reply_line_detail::Marker(kEtx), 8);
        size += 5;
        from = at + 1;
        size_ = size;
        onReply();
    }
    TakeRun(block, from, count, controls.stx, controls.ackNak, size);
}

inline void ReplyLine::TakeRun(const char* block, std::size_t from, std::size_t to, std::uint64_t stx,
                               std::uint64_t ackNak, std::size_t& size) {
    using reply_line_detail::Between;
    // The last STX starts the line afresh; without one, its marker goes past the line's end, so
    // the step is the same either way.
    std::uint64_t stxInRun = stx & Between(from, to);
    from = stxInRun ? 64 - std::countl_zero(stxInRun) : from;
    size = stxInRun ? 0 : size;
    std::memcpy(text_ + size, reply_line_detail::Marker(kStx), 8);
    size += stxInRun ? 5 : 0;
    // The others' markers go in whole or not at all.
    for (std::uint64_t marks = ackNak & Between(from, to); marks; marks &= marks - 1) {
        std::size_t at = std::countr_zero(marks);
        Append(block + from, at - from, size);
        std::memcpy(text_ + size, reply_line_detail::Marker(block[at]), 8);
        if (size + 5 <= kMaxLength) size += 5;
        from = at + 1;
    }
    Append(block + from, to - from, size);
}

}  // namespace device_link
