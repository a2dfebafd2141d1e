#include "board.h"

#include "console/link/protocol.h"

#include <cstdio>

namespace board {
namespace {

bool IsFrameNumber(std::string_view digits) {
    if (digits.size() != 4) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Reply(std::string_view payload) { return device_link::BuildFrame(payload); }

std::string Board::Receive(std::string_view bytes) {
    std::string answers;
    for (char b : bytes) {
        if (b == device_link::kStx) {
            command_.clear();
            inFrame_ = true;
        } else if (b == device_link::kEtx && inFrame_) {
            answers += Answer(command_);
            inFrame_ = false;
        } else if (inFrame_) {
            command_ += b;
        }
    }
    return answers;
}

std::string Board::Answer(std::string_view command) {
    if (command == "FRMASK") return Reply("frm" + frame_);
    if (command.starts_with("FRM") && IsFrameNumber(command.substr(3))) {
        frame_ = command.substr(3);
        return Reply("frm" + frame_);
    }
    if (command == "QID") return Reply(kIdentity);
    if (command.size() == 4 && command.starts_with("SEQ") && command[3] >= '0' && command[3] <= '3')
        return std::string(1, device_link::kAck);
    return Reply("error1");  // a command the board does not know
}

std::string ToHex(std::string_view bytes) {
    std::string hex;
    char text[4];
    for (unsigned char b : bytes) {
        std::snprintf(text, sizeof text, hex.empty() ? "%02X" : " %02X", b);
        hex += text;
    }
    return hex;
}

std::string FromHex(std::string_view hex) {
    std::string bytes;
    int high = -1;
    for (char c : hex) {
        int digit = HexDigit(c);
        if (digit < 0) {
            high = -1;
            continue;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    return bytes;
}

}  // namespace board
