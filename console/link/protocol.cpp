#include "protocol.h"

namespace device_link {

std::string BuildFrame(std::string_view command) {
    std::string frame;
    frame.reserve(command.size() + 2);
    frame += kStx;
    frame += command;
    frame += kEtx;
    return frame;
}

bool ReplyLine::Take(char byte) {
    switch (byte) {
    case kAck: AppendMarker("[ACK]"); return false;
    case kNak: AppendMarker("[NAK]"); return false;
    case kStx:
        text_.clear();
        markers_.clear();
        AppendMarker("[STX]");
        return false;
    case kEtx:
        // Room for the marker, at the cost of the line's end if need be: a marker cut there is
        // no longer one.
        if (text_.size() > kMaxLength - kMarkerLength) {
            text_.resize(kMaxLength - kMarkerLength);
            while (!markers_.empty() && markers_.back() + kMarkerLength > text_.size()) markers_.pop_back();
        }
        AppendMarker("[ETX]");
        return true;
    default:
        if (text_.size() < kMaxLength) text_ += byte;
        return false;
    }
}

// A marker goes in whole or not at all.
void ReplyLine::AppendMarker(const char* marker) {
    if (text_.size() + kMarkerLength > kMaxLength) return;
    markers_.push_back(text_.size());
    text_ += marker;
}

std::optional<char> DeviceErrorCode(std::string_view line) {
    if (line.size() < 11 || line.substr(5, 5) != "error") return std::nullopt;
    return line[10];
}

std::optional<std::string_view> FrameNumber(std::string_view line) {
    if (line.size() < 12 || line.substr(5, 3) != "frm") return std::nullopt;
    std::string_view number = line.substr(8, 4);
    for (char c : number)
        if (c < '0' || c > '9') return std::nullopt;
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
