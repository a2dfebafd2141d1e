// The serial conversation with the board: outgoing frames, the reply line and its decoding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    static constexpr std::size_t kMarkerLength = 5;

    ReplyLine() { text_.reserve(kMaxLength); }

    // Takes one received byte; true when it was an ETX, that is when a reply is complete.
    bool Take(char byte);
    std::string_view Text() const { return text_; }
    // Where the markers begin in Text(), in order; all else in it is the board's own bytes.
    const std::vector<std::size_t>& Markers() const { return markers_; }

private:
    void AppendMarker(const char* marker);
    std::string text_;
    std::vector<std::size_t> markers_;
};

// The code character of a device-error reply ("error" at positions 6 to 10), if the line is one.
std::optional<char> DeviceErrorCode(std::string_view line);
// The frame number of a frame-number reply ("frm" at positions 6 to 8), if positions 9 to 12
// hold four decimal digits; the digits as they stand in the line.
std::optional<std::string_view> FrameNumber(std::string_view line);

// The board's error codes, explained to the operator (UTF-8).
inline constexpr std::string_view kDeviceErrorTitle = "提示";
std::string_view DeviceErrorMessage(char code);

}  // namespace device_link
