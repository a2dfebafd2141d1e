#include "protocol.h"

namespace device_link {
namespace {

// The characters at 1-based positions [first, first + count), shortened to what exists.
std::string_view Mid(std::string_view line, std::size_t first, std::size_t count) {
    return first > line.size() ? std::string_view{} : line.substr(first - 1, count);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string BuildFrame(std::string_view command) {
    std::string frame;
    frame.reserve(command.size() + 2);
    frame += kStx;
    frame += command;
    frame += kEtx;
    return frame;
}

bool ReplyLine::Feed(char byte) {
    switch (byte) {
    case kAck: Append("[ACK]"); return false;
    case kNak: Append("[NAK]"); return false;
    case kStx: text_ = "[STX]"; return false;
    case kEtx:
        if (text_.size() + 5 > kMaxLength) text_.resize(kMaxLength - 5);
        text_ += "[ETX]";
        return true;
    default: Append(std::string_view(&byte, 1)); return false;
    }
}

void ReplyLine::Append(std::string_view text) {
    if (text_.size() + text.size() <= kMaxLength) text_ += text;
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
