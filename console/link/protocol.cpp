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
