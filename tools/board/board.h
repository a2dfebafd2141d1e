// The simulated board's side of the serial conversation: it takes the console's frames and
// answers as the board does.
#pragma once

#include <string>
#include <string_view>

namespace board {

class Board {
public:
    // Takes bytes from the line, in any pieces; returns the board's answers to the frames that
    // they complete (empty when none).
    std::string Receive(std::string_view bytes);
    const std::string& Frame() const { return frame_; }

    static constexpr std::string_view kIdentity = "Quarn board simulator 1.00";

private:
    std::string Answer(std::string_view command);

    std::string command_;
    bool inFrame_ = false;
    std::string frame_ = "0150";
};

// STX, the payload, ETX: a reply as the board frames it.
std::string Reply(std::string_view payload);

// "02 46 52" for the bytes 02 46 52, and back.
std::string ToHex(std::string_view bytes);
std::string FromHex(std::string_view hex);

}  // namespace board
